// The real window searching the private test network, with simulated devices answering.
#include "bc_protocol.h"
#include "device_list_model.h"
#include "device_table.h"
#include "edit_ip.h"
#include "list_feed.h"
#include "modal_catcher.h"
#include "qt_network_test_main.h"
#include "quenlo_dlg.h"
#include "resource.h"
#include "testnet.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using testnet::DevSim;
using testnet::Probe;
using testnet::TestHost;

namespace {

constexpr int WATCHDOG_MS = 10000;

QString Cell(const DeviceListModel* list, int row, int column)
{
    return list->index(row, column).data().toString();
}

} // namespace

class TestQuenloDlg : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void enterSearchesAndListsTheDevices();
    void enterOnStopStopsAndNeverCloses();
    void stopWhileIdleChangesNothing();
    void escapeDuringASearchEndsItPromptly();
    void closingWhileTheWorkerFillsTheListDoesNotHang();
    void rowsArriveFromAnotherThread();
    void searchStopSearchWithRowsInFlightShowsOnlyTheNewSearch();
    void busyReplyPortEndsTheSearchAndSearchTriesAgain();
    void aReaddressedDeviceShowsAsChangedAndAnUnpluggedOneGreysOut();
    void deletedDeviceStaysGoneUntilTheNextSearch();
    void editedMacIsNotTheKey();
    void standardOutputThatIsNeverReadOrBreaksStopsNothing();

private:
    void ShowAndActivate();

    std::unique_ptr<ModalCatcher> unexpected_;
    std::unique_ptr<CQuenloDlg> dialog_;
};

void TestQuenloDlg::init()
{
    unexpected_ = std::make_unique<ModalCatcher>();
    dialog_ = std::make_unique<CQuenloDlg>();
}

void TestQuenloDlg::cleanup()
{
    dialog_.reset();
    const QString unexpected = EndUnexpectedModals(unexpected_);
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
}

void TestQuenloDlg::ShowAndActivate()
{
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
}

void TestQuenloDlg::enterSearchesAndListsTheDevices()
{
    DevSim devices(TestHost("a1"), {"--count", "2", "--ip", "10.60.1.101", "--mac",
                                    "00:11:22:33:44:01", "--chn", "前门{n}", "--gbk"});
    DevSim foreign(TestHost("f1"), {"--ip", "192.168.1.64", "--mac", "00:11:22:33:44:F1",
                                    "--broadcast-reply", "--delay", "200", "--chn", "Yard"});
    ShowAndActivate();
    DeviceListModel* list = dialog_->DeviceModel();
    QSignalSpy removed(list, &QAbstractItemModel::modelReset);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(dialog_->Worker().IsSearching());
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 3, WATCHDOG_MS);
    QTRY_COMPARE_WITH_TIMEOUT(Cell(list, 2, COL_MAC), QStringLiteral("00:11:22:33:44:F1 "), WATCHDOG_MS);
    QCOMPARE(Cell(list, 0, COL_CHN), QStringLiteral("前门1 "));
    QCOMPARE(Cell(list, 0, COL_IP), QStringLiteral("10.60.1.101 "));
    QCOMPARE(Cell(list, 0, COL_PORT), QStringLiteral("80 "));
    QCOMPARE(Cell(list, 1, COL_MAC), QStringLiteral("00:11:22:33:44:02 "));
    QCOMPARE(Cell(list, 2, COL_CHN), QStringLiteral("Yard "));

    // Where each device was heard: the foreign one is flagged, on the LAN it answered on.
    const HeardOn& local = dialog_->Presenter().At(0).heardOn;
    QCOMPARE(local.interfaceName, std::string("qna0"));
    QCOMPARE(local.localAddress, testnet::ParseAddress("10.60.1.1"));
    QVERIFY(!local.outsideLocalSubnets);
    const HeardOn& foreignHeard = dialog_->Presenter().At(2).heardOn;
    QCOMPARE(foreignHeard.interfaceName, std::string("qnb0"));
    QCOMPARE(foreignHeard.localAddress, testnet::ParseAddress("10.60.2.1"));
    QVERIFY(foreignHeard.outsideLocalSubnets);
    // ... and marked so: an icon in its IP cell, described for screen readers, and a tooltip.
    QVERIFY(list->index(0, COL_IP).data(Qt::DecorationRole).isNull());
    QVERIFY(!list->index(2, COL_IP).data(Qt::DecorationRole).isNull());
    const QString tip = list->index(2, COL_IP).data(Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(QStringLiteral("qnb0")) && tip.contains(QStringLiteral("10.60.2.1")),
             qPrintable(tip));
    QVERIFY(tip.contains(LoadResourceString(IDS_TIP_OUTSIDE)));
    QCOMPARE(list->index(2, COL_IP).data(Qt::AccessibleDescriptionRole).toString(), tip);
    QCOMPARE(dialog_->ControlAs<QLabel>(IDC_STATUS)->text(), u"正在搜索…    共 3 台设备，1 台在网段外"_qs);

    // A second Enter while searching starts nothing: the rows are not emptied again.
    const int removedBefore = removed.count();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    // A second search would empty the rows from the worker's thread, some time later: only time
    // shows that none began.
    QTest::qWait(300);
    QCOMPARE(removed.count(), removedBefore);
    QCOMPARE(list->rowCount(), 3);
    QVERIFY(dialog_->isVisible());
}

void TestQuenloDlg::enterOnStopStopsAndNeverCloses()
{
    DevSim device(TestHost("a1"), {"--ip", "10.60.1.11"});
    ShowAndActivate();
    dialog_->OnBnClickedSearch();
    QTRY_COMPARE_WITH_TIMEOUT(dialog_->DeviceModel()->rowCount(), 1, WATCHDOG_MS);

    QSignalSpy ended(dialog_.get(), &CQuenloDlg::searchEnded);
    dialog_->ControlAs<QPushButton>(IDC_STOP)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!dialog_->Worker().IsSearching());
    QCOMPARE(dialog_->ControlAs<QLabel>(IDC_STATUS)->text(), u"已停止    共 1 台设备"_qs);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, WATCHDOG_MS);
    QVERIFY(dialog_->isVisible());
    QCOMPARE(dialog_->DeviceModel()->rowCount(), 1);

    // With the focus in the list, Enter means Search.
    dialog_->DeviceList()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QVERIFY(dialog_->Worker().IsSearching());
    QVERIFY(dialog_->isVisible());
}

void TestQuenloDlg::stopWhileIdleChangesNothing()
{
    ShowAndActivate();
    ListRow(*dialog_, {u"", u"", u"", u"", u"", u"AA "});
    QSignalSpy changed(dialog_->DeviceModel(), &QAbstractItemModel::dataChanged);
    QTest::mouseClick(dialog_->ControlAs<QPushButton>(IDC_STOP), Qt::LeftButton);
    QVERIFY(!dialog_->Worker().IsSearching());
    QCOMPARE(dialog_->DeviceModel()->rowCount(), 1);
    QCOMPARE(changed.count(), 0);
}

void TestQuenloDlg::escapeDuringASearchEndsItPromptly()
{
    DevSim devices(TestHost("a1"), {"--count", "5", "--ip", "10.60.1.101"});
    ShowAndActivate();
    dialog_->OnBnClickedSearch();
    QTRY_COMPARE_WITH_TIMEOUT(dialog_->DeviceModel()->rowCount(), 5, WATCHDOG_MS);

    QElapsedTimer closing;
    closing.start();
    QTest::keyClick(dialog_.get(), Qt::Key_Escape);
    QVERIFY(closing.elapsed() < 1000);
    QVERIFY(dialog_->isHidden());
    QCOMPARE(dialog_->result(), int(QDialog::Rejected));
    // The worker's last act, done before the window closed.
    QCOMPARE(DeviceTable().Count(), 0);
}

void TestQuenloDlg::closingWhileTheWorkerFillsTheListDoesNotHang()
{
    DevSim devices(TestHost("a1"), {"--count", "255", "--ip", "10.60.1.1", "--mac",
                                    "02:00:00:00:00:01"});
    ShowAndActivate();
    DeviceListModel* list = dialog_->DeviceModel();
    dialog_->OnBnClickedSearch();
    QTRY_VERIFY_WITH_TIMEOUT(list->rowCount() > 0, WATCHDOG_MS);
    dialog_->close();
    QCOMPARE(DeviceTable().Count(), 0);
    const int rows = list->rowCount();
    // The worker is joined: what it handed over before is in the event queue, and is delivered.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(list->rowCount(), rows);
}

void TestQuenloDlg::rowsArriveFromAnotherThread()
{
    ShowAndActivate();
    QSignalSpy inserted(dialog_->DeviceModel(), &QAbstractItemModel::rowsInserted);
    std::thread worker([this] {
        CDeviceListBridge& list = dialog_->ListBridge();
        list.DeleteAllRows();
        for (int i = 0; i < 3; ++i) {
            const int row = list.AppendRow();
            list.SetCellText(row, COL_CHN, u"通道 ");
            list.SetCellText(row, COL_MAC, std::u16string(u"MAC") + char16_t(u'0' + i) + u" ");
            list.TurnRedrawOn();
        }
    });
    worker.join(); // the worker never waits for the window
    const DeviceListModel* list = dialog_->DeviceModel();
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 3, WATCHDOG_MS);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(Cell(list, 2, COL_MAC), QStringLiteral("MAC2 "));
    QCOMPARE(Cell(list, 0, COL_CHN), QStringLiteral("通道 "));
}

void TestQuenloDlg::searchStopSearchWithRowsInFlightShowsOnlyTheNewSearch()
{
    DevSim devices(TestHost("a1"), {"--count", "255", "--ip", "10.60.1.1", "--mac",
                                    "02:00:00:00:00:01"});
    ShowAndActivate();
    const DeviceListModel* list = dialog_->DeviceModel();
    QSignalSpy ended(dialog_.get(), &CQuenloDlg::searchEnded);
    QSignalSpy emptied(list, &QAbstractItemModel::modelReset);
    dialog_->OnBnClickedSearch();
    QTRY_VERIFY_WITH_TIMEOUT(list->rowCount() > 0, WATCHDOG_MS);
    dialog_->OnBnClickedStop();
    const int emptiedBefore = emptied.count();
    dialog_->OnBnClickedSearch();
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, WATCHDOG_MS);
    // The new search empties the list when it begins, which is after the old one has ended: until
    // then the rows are the old search's, however many they are.
    QTRY_VERIFY_WITH_TIMEOUT(emptied.count() > emptiedBefore, WATCHDOG_MS);
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 255, WATCHDOG_MS);
    // Once the new search has ended too, every row of either search has been delivered.
    dialog_->OnBnClickedStop();
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 2, WATCHDOG_MS);
    QSet<QString> macs;
    for (int row = 0; row < list->rowCount(); ++row)
        macs.insert(Cell(list, row, COL_MAC));
    QCOMPARE(macs.size(), 255);
    QCOMPARE(list->rowCount(), 255);
}

void TestQuenloDlg::busyReplyPortEndsTheSearchAndSearchTriesAgain()
{
    auto holder = std::make_unique<Probe>(TestHost("pc"), BC_REPLY_PORT);
    DevSim device(TestHost("a1"), {"--ip", "10.60.1.11"});
    ShowAndActivate();
    ModalCatcher catcher;
    QSignalSpy ended(dialog_.get(), &CQuenloDlg::searchEnded);
    dialog_->OnBnClickedSearch();
    QTRY_COMPARE_WITH_TIMEOUT(catcher.seen.size(), 1, WATCHDOG_MS);
    QCOMPARE(catcher.seen[0].text,
             QStringLiteral("无法监听 UDP 端口 6061，收不到设备的应答。请关闭占用该端口的程序后重新搜索。"));
    QCOMPARE(catcher.seen[0].icon, QMessageBox::Warning);
    QCOMPARE(catcher.seen[0].title, QCoreApplication::applicationName());

    // A search that can hear nothing has ended, and says so.
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, WATCHDOG_MS);
    QVERIFY(!dialog_->Worker().IsSearching());
    QCOMPARE(dialog_->ControlAs<QLabel>(IDC_STATUS)->text(), u"已停止    共 0 台设备"_qs);

    // The other program lets the port go, and Search, as the message says, finds the device.
    holder.reset();
    dialog_->OnBnClickedSearch();
    QTRY_COMPARE_WITH_TIMEOUT(dialog_->DeviceModel()->rowCount(), 1, WATCHDOG_MS);
    QCOMPARE(catcher.seen.size(), 1);
}

void TestQuenloDlg::aReaddressedDeviceShowsAsChangedAndAnUnpluggedOneGreysOut()
{
    const std::vector<std::string> factory = {"--mac", "02:00:00:00:30:01", "--ip", "192.168.1.64",
                                              "--broadcast-reply"};
    std::optional<DevSim> moved(std::in_place, TestHost("f1"), factory);
    std::optional<DevSim> unplugged(std::in_place, TestHost("a1"),
                                    std::vector<std::string>{"--mac", "02:00:00:00:30:02", "--ip",
                                                             "10.60.1.60"});
    ShowAndActivate();
    const DeviceListModel* list = dialog_->DeviceModel();
    dialog_->OnBnClickedSearch();
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 2, WATCHDOG_MS);
    const int movedRow = Cell(list, 0, COL_MAC) == u"02:00:00:00:30:01 "_qs ? 0 : 1;
    const int unpluggedRow = 1 - movedRow;

    // Given its real address on its web page, the camera answers from there with its own MAC.
    moved.reset();
    moved.emplace(TestHost("f1"), std::vector<std::string>{"--mac", "02:00:00:00:30:01", "--ip",
                                                           "10.60.2.64", "--broadcast-reply"});
    unplugged.reset();
    QTRY_VERIFY_WITH_TIMEOUT(dialog_->Presenter().Changed(movedRow), WATCHDOG_MS);
    QCOMPARE(Cell(list, movedRow, COL_IP), u"192.168.1.64 "_qs);
    QVERIFY(!list->index(movedRow, COL_CHN).data(Qt::DecorationRole).isNull());
    const QString tip = list->index(movedRow, COL_MAC).data(Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(u"IP：192.168.1.64 → 10.60.2.64"_qs), qPrintable(tip));
    // No longer outside the subnets.
    QVERIFY(list->index(movedRow, COL_IP).data(Qt::DecorationRole).isNull());
    QVERIFY(dialog_->ControlAs<QLabel>(IDC_STATUS)->text().contains(u"1 台设备的设置已变"_qs));

    // The row menu takes the new texts in: the list now shows, and opens, the new address.
    {
        ModalCatcher catcher(u"采用设备现在的设置(&T)"_qs);
        QTableView* view = dialog_->DeviceList();
        dialog_->OnNMRclickList(view->visualRect(list->index(movedRow, COL_CHN)).center());
    }
    QCOMPARE(Cell(list, movedRow, COL_IP), u"10.60.2.64 "_qs);
    QVERIFY(!dialog_->Presenter().Changed(movedRow));

    // Three cycles without a reply grey the unplugged one out.
    QTRY_VERIFY_WITH_TIMEOUT(dialog_->Presenter().Silent(unpluggedRow), 3 * WATCHDOG_MS);
    QVERIFY(!list->index(unpluggedRow, COL_CHN).data(Qt::ForegroundRole).isNull());
    QVERIFY(list->index(movedRow, COL_CHN).data(Qt::ForegroundRole).isNull());
    QVERIFY(dialog_->ControlAs<QLabel>(IDC_STATUS)->text().endsWith(u"，1 台无应答"_qs));
    // Rows go only by Delete and by the next search.
    QCOMPARE(list->rowCount(), 2);
}

void TestQuenloDlg::deletedDeviceStaysGoneUntilTheNextSearch()
{
    DevSim devices(TestHost("a1"), {"--count", "3", "--ip", "10.60.1.101", "--mac",
                                    "00:11:22:33:44:01"});
    Probe requests(TestHost("a2"), BC_SEARCH_PORT);
    ShowAndActivate();
    DeviceListModel* list = dialog_->DeviceModel();
    dialog_->OnBnClickedSearch();
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 3, WATCHDOG_MS);

    dialog_->DeviceList()->selectRow(1);
    dialog_->OnRowDelete();
    QCOMPARE(list->rowCount(), 2);
    requests.Collect(std::chrono::milliseconds(100));
    QVERIFY(!requests.Collect(std::chrono::milliseconds(2500)).empty());
    // The devices answer that request; a reply heard again changes nothing the window is told
    // of, so only the time a reply takes shows that the deleted row stays gone.
    QTest::qWait(200);
    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(Cell(list, 1, COL_MAC), QStringLiteral("00:11:22:33:44:03 "));

    dialog_->OnBnClickedStop();
    dialog_->OnBnClickedSearch();
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 3, WATCHDOG_MS);
}

void TestQuenloDlg::editedMacIsNotTheKey()
{
    DevSim device(TestHost("a1"), {"--ip", "10.60.1.11", "--mac", "00:11:22:33:44:55"});
    Probe requests(TestHost("a2"), BC_SEARCH_PORT);
    ShowAndActivate();
    DeviceListModel* list = dialog_->DeviceModel();
    dialog_->OnBnClickedSearch();
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 1, WATCHDOG_MS);

    ModalCatcher catcher(QStringLiteral("编辑(&E)"), [](QDialog* dialog) {
        QMetaObject::invokeMethod(dialog, [dialog] {
            auto* edit = static_cast<CEditIP*>(dialog);
            edit->ControlAs<QLineEdit>(IDC_EDIT_MAC)->setText(QStringLiteral("AA:AA:AA:AA:AA:AA"));
            edit->OnBnClickedEditOk();
        }, Qt::QueuedConnection);
    });
    QTableView* view = dialog_->DeviceList();
    dialog_->OnNMRclickList(view->visualRect(list->index(0, COL_MAC)).center());
    QCOMPARE(Cell(list, 0, COL_MAC), QStringLiteral("AA:AA:AA:AA:AA:AA"));

    requests.Collect(std::chrono::milliseconds(100));
    QVERIFY(!requests.Collect(std::chrono::milliseconds(2500)).empty());
    // As above: only the time a reply takes shows that no second row comes.
    QTest::qWait(200);
    QCOMPARE(list->rowCount(), 1);
}

void TestQuenloDlg::standardOutputThatIsNeverReadOrBreaksStopsNothing()
{
    // Thousands of rejected datagrams a cycle, each a diagnostic line, into a pipe nobody reads.
    DevSim junk(TestHost("a1"), {"--count", "1000", "--ip", "10.60.1.100", "--mac",
                                 "02:00:00:00:09:01", "--fault", "unknown-cmd", "--fault",
                                 "duplicate=5"});
    DevSim devices(TestHost("a2"), {"--count", "20", "--ip", "10.60.1.150", "--mac",
                                    "02:00:00:00:00:01", "--delay", "300"});
    int pipe[2];
    QCOMPARE(::pipe(pipe), 0);
    const int saved = ::dup(STDOUT_FILENO);
    ::dup2(pipe[1], STDOUT_FILENO);
    ::close(pipe[1]);
    // Qt's own messages would go to the same pipe from this thread; this test is about the worker.
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    ShowAndActivate();
    const DeviceListModel* list = dialog_->DeviceModel();
    QSignalSpy ended(dialog_.get(), &CQuenloDlg::searchEnded);

    dialog_->OnBnClickedSearch();
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 20, WATCHDOG_MS);
    dialog_->OnBnClickedStop();
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, WATCHDOG_MS);

    ::close(pipe[0]); // now the pipe is broken
    dialog_->OnBnClickedSearch();
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, WATCHDOG_MS);
    QTRY_COMPARE_WITH_TIMEOUT(list->rowCount(), 20, WATCHDOG_MS);
    dialog_->close();
    QCOMPARE(DeviceTable().Count(), 0);

    qInstallMessageHandler(previous);
    ::dup2(saved, STDOUT_FILENO);
    ::close(saved);
}

QUENLO_NETWORK_QTEST_MAIN(TestQuenloDlg)
#include "test_quenlo_dlg.moc"
