// The row menu, Delete, Edit and the web page of a row; nothing here opens a socket.
#include "device_url.h"
#include "edit_ip.h"
#include "modal_catcher.h"
#include "quenlo_dlg.h"
#include "resource.h"
#include "row_snapshot.h"

#include <QDesktopServices>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

// Receives the URLs the program asks the desktop to open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }

    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened.append(url); }
};

// The next control that Tab reaches after widget.
QWidget* NextTabStop(QWidget* widget)
{
    QWidget* next = widget->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    return next;
}

const QString EDIT = QStringLiteral("编辑");
const QString DELETE = QStringLiteral("删除");

} // namespace

class TestRowCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rightClickOnARowSnapshotsItAndOffersTheRowMenu();
    void rightClickBelowTheLastRowDoesNothing();
    void deleteRemovesTheTopmostSelectedRow();
    void deviceWebPage_data();
    void deviceWebPage();
    void doubleClickOpensTheWebPageOrSaysWhyNot();
    void editDialogStartsWithTheRowsTextsAndOkFocused();
    void okWithNothingChangedSaysSoAndKeepsTheRow();
    void removingOnlyTheTrailingBlankIsAChange();
    void cancelAfterTypingEverywhereKeepsTheRow();
    void editThroughTheRowMenuWritesTheRowBack();

private:
    void AddRow(const std::u16string& chn, const std::u16string& ip, const std::u16string& port,
                const std::u16string& mac);
    QPoint CellCenter(int row, int column) const;
    void RightClick(const QPoint& position);
    void DoubleClick(const QPoint& position);
    QString Cell(int row, int column) const;

    std::unique_ptr<CQuenloDlg> dialog_;
};

void TestRowCommands::init()
{
    dialog_ = std::make_unique<CQuenloDlg>();
    dialog_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    AddRow(u"前门 ", u"192.168.1.10 ", u"80 ", u"00:11:22:33:44:01 ");
    AddRow(u"CH2 ", u"192.168.1.11 ", u"8080 ", u"00:11:22:33:44:02 ");
    AddRow(u"CH3 ", u"10.0.0.7 ", u"81 ", u"00:11:22:33:44:03 ");
    AddRow(u"CH4 ", u"10.0.0.8 ", u"82 ", u"00:11:22:33:44:04 ");
    TheRowSnapshot() = RowSnapshot{};
}

void TestRowCommands::cleanup()
{
    dialog_.reset();
}

void TestRowCommands::AddRow(const std::u16string& chn, const std::u16string& ip,
                             const std::u16string& port, const std::u16string& mac)
{
    const int row = dialog_->AppendRow();
    dialog_->SetCellText(row, COL_CHN, chn);
    dialog_->SetCellText(row, COL_VERSION, u"V1 ");
    dialog_->SetCellText(row, COL_IP, ip);
    dialog_->SetCellText(row, COL_PORT, port);
    dialog_->SetCellText(row, COL_GATEWAY, u"192.168.1.1 ");
    dialog_->SetCellText(row, COL_MAC, mac);
    dialog_->TurnRedrawOn();
}

QPoint TestRowCommands::CellCenter(int row, int column) const
{
    QTableWidget* list = dialog_->DeviceList();
    return list->visualRect(list->model()->index(row, column)).center();
}

void TestRowCommands::RightClick(const QPoint& position)
{
    QWidget* viewport = dialog_->DeviceList()->viewport();
    QTest::mouseClick(viewport, Qt::RightButton, {}, position);
    QContextMenuEvent event(QContextMenuEvent::Mouse, position, viewport->mapToGlobal(position));
    QApplication::sendEvent(viewport, &event);
}

// As a mouse does it: a click, then the second press that makes it a double click.
void TestRowCommands::DoubleClick(const QPoint& position)
{
    QWidget* viewport = dialog_->DeviceList()->viewport();
    QTest::mouseClick(viewport, Qt::LeftButton, {}, position);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, position);
}

QString TestRowCommands::Cell(int row, int column) const
{
    const QTableWidgetItem* item = dialog_->DeviceList()->item(row, column);
    return item ? item->text() : QString();
}

void TestRowCommands::rightClickOnARowSnapshotsItAndOffersTheRowMenu()
{
    ModalCatcher catcher;
    RightClick(CellCenter(2, COL_PORT));
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].actions, (QStringList{EDIT, DELETE}));

    const RowSnapshot& snapshot = TheRowSnapshot();
    QCOMPARE(snapshot.row, 2);
    QCOMPARE(snapshot.chn, QStringLiteral("CH3 "));
    QCOMPARE(snapshot.ip, QStringLiteral("10.0.0.7 "));
    QCOMPARE(snapshot.port, QStringLiteral("81 "));
    QCOMPARE(snapshot.gateway, QStringLiteral("192.168.1.1 "));
    QCOMPARE(snapshot.mac, QStringLiteral("00:11:22:33:44:03 "));
    QCOMPARE(dialog_->DeviceList()->rowCount(), 4);
}

void TestRowCommands::rightClickBelowTheLastRowDoesNothing()
{
    TheRowSnapshot() = RowSnapshot{1, u"kept"_qs, {}, {}, {}, {}};
    ModalCatcher catcher;
    const QRect viewport = dialog_->DeviceList()->viewport()->rect();
    RightClick(QPoint(viewport.center().x(), viewport.bottom() - 2));
    QTest::qWait(50);
    QVERIFY(catcher.seen.isEmpty());
    QCOMPARE(TheRowSnapshot().row, 1);
    QCOMPARE(TheRowSnapshot().chn, QStringLiteral("kept"));
}

void TestRowCommands::deleteRemovesTheTopmostSelectedRow()
{
    QTableWidget* list = dialog_->DeviceList();
    {
        ModalCatcher catcher(DELETE);
        RightClick(CellCenter(2, COL_CHN));
    }
    QCOMPARE(list->rowCount(), 3);
    QCOMPARE(Cell(2, COL_CHN), QStringLiteral("CH4 "));

    list->clearSelection();
    list->selectRow(2);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->selectRow(1);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dialog_->OnRowDelete();
    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(Cell(0, COL_CHN), QStringLiteral("前门 "));
    QCOMPARE(Cell(1, COL_CHN), QStringLiteral("CH4 "));

    list->clearSelection();
    dialog_->OnRowDelete();
    QCOMPARE(list->rowCount(), 2);
}

void TestRowCommands::deviceWebPage_data()
{
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("url"); // empty: nothing may be opened
    QTest::addColumn<QString>("text");
    QTest::newRow("worker-filled") << "192.168.1.10 " << "80 " << "http://192.168.1.10:80"
                                   << "http://192.168.1.10:80";
    QTest::newRow("edited without blanks") << "10.0.0.7" << "8000" << "http://10.0.0.7:8000"
                                           << "http://10.0.0.7:8000";
    QTest::newRow("empty port") << "10.0.0.7 " << "" << "http://10.0.0.7" << "http://10.0.0.7:";
    QTest::newRow("blank port") << "10.0.0.7 " << " " << "http://10.0.0.7" << "http://10.0.0.7:";
    QTest::newRow("zero-padded address") << "192.168.001.010 " << "080 "
                                         << "http://192.168.1.10:80" << "http://192.168.001.010:080";
    QTest::newRow("host name") << "cam-7.local " << "443 " << "http://cam-7.local:443"
                               << "http://cam-7.local:443";
    QTest::newRow("path smuggled") << "1.2.3.4/evil?x=" << "80 " << ""
                                   << "http://1.2.3.4/evil?x=:80";
    QTest::newRow("other scheme") << "javascript:alert(1)//" << "80" << ""
                                  << "http://javascript:alert(1)//:80";
    QTest::newRow("user info") << "evil@10.0.0.1" << "80" << "" << "http://evil@10.0.0.1:80";
    QTest::newRow("port too big") << "10.0.0.7" << "70000" << "" << "http://10.0.0.7:70000";
    QTest::newRow("port zero") << "10.0.0.7" << "0" << "" << "http://10.0.0.7:0";
    QTest::newRow("port with path") << "10.0.0.7" << "80/x" << "" << "http://10.0.0.7:80/x";
    QTest::newRow("octet too big") << "10.0.0.256" << "80" << "" << "http://10.0.0.256:80";
    QTest::newRow("empty address") << " " << "80" << "" << "http://:80";
    QTest::newRow("inner blank") << "10.0. 0.7" << "80" << "" << "http://10.0. 0.7:80";
}

void TestRowCommands::deviceWebPage()
{
    QFETCH(QString, ip);
    QFETCH(QString, port);
    QFETCH(QString, url);
    QFETCH(QString, text);
    const DeviceUrl page = DeviceWebPage(ip, port);
    QCOMPARE(page.url.isValid(), !url.isEmpty());
    if (!url.isEmpty())
        QCOMPARE(page.url.toString(), url);
    QCOMPARE(page.text, text);
}

void TestRowCommands::doubleClickOpensTheWebPageOrSaysWhyNot()
{
    UrlCatcher urls;
    DoubleClick(CellCenter(1, COL_MAC));
    QCOMPARE(urls.opened, QList<QUrl>{QUrl(QStringLiteral("http://192.168.1.11:8080"))});

    dialog_->DeviceList()->item(3, COL_IP)->setText(QStringLiteral("1.2.3.4/evil?x="));
    ModalCatcher catcher;
    DoubleClick(CellCenter(3, COL_CHN));
    QCOMPARE(urls.opened.size(), 1);
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].text, QStringLiteral("无法打开设备网页：http://1.2.3.4/evil?x=:82"));
    QCOMPARE(catcher.seen[0].icon, QMessageBox::Warning);

    const QRect area = dialog_->DeviceList()->viewport()->rect();
    DoubleClick(QPoint(area.center().x(), area.bottom() - 2));
    QCOMPARE(urls.opened.size(), 1);
    QCOMPARE(catcher.seen.size(), 1);
}

void TestRowCommands::editDialogStartsWithTheRowsTextsAndOkFocused()
{
    TheRowSnapshot() = RowSnapshot{0, u"前门 "_qs, u"192.168.1.10 "_qs, u"80 "_qs,
                                   u"192.168.1.1 "_qs, u"00:11:22:33:44:01 "_qs};
    CEditIP edit(dialog_.get());
    QCOMPARE(edit.windowTitle(), QStringLiteral("地址编辑"));
    QCOMPARE(edit.ControlAs<QLineEdit>(IDC_EDIT_CHN)->text(), QStringLiteral("前门 "));
    QCOMPARE(edit.ControlAs<QLineEdit>(IDC_EDIT_IP)->text(), QStringLiteral("192.168.1.10 "));
    QCOMPARE(edit.ControlAs<QLineEdit>(IDC_EDIT_PORT)->text(), QStringLiteral("80 "));
    QCOMPARE(edit.ControlAs<QLineEdit>(IDC_EDIT_GATEWAY)->text(), QStringLiteral("192.168.1.1 "));
    QCOMPARE(edit.ControlAs<QLineEdit>(IDC_EDIT_MAC)->text(), QStringLiteral("00:11:22:33:44:01 "));

    // Tab order OK, Cancel, IP, MAC, channel name, gateway, port; the fields read top to bottom
    // channel name, IP, port, MAC, gateway.
    const QList<int> order = {IDC_EDIT_OK, IDC_EDIT_CANCEL, IDC_EDIT_IP, IDC_EDIT_MAC,
                              IDC_EDIT_CHN, IDC_EDIT_GATEWAY, IDC_EDIT_PORT};
    for (int i = 0; i + 1 < order.size(); ++i)
        QCOMPARE(NextTabStop(edit.Control(order[i])), edit.Control(order[i + 1]));
    QVERIFY(edit.Control(IDC_EDIT_CHN)->y() < edit.Control(IDC_EDIT_IP)->y());
    QVERIFY(edit.Control(IDC_EDIT_IP)->y() < edit.Control(IDC_EDIT_PORT)->y());
    QVERIFY(edit.Control(IDC_EDIT_PORT)->y() < edit.Control(IDC_EDIT_MAC)->y());
    QVERIFY(edit.Control(IDC_EDIT_MAC)->y() < edit.Control(IDC_EDIT_GATEWAY)->y());

    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QCOMPARE(edit.focusWidget(), edit.Control(IDC_EDIT_OK));
    QVERIFY(edit.ControlAs<QPushButton>(IDC_EDIT_OK)->isDefault());

    // Enter at once is OK with nothing changed.
    ModalCatcher catcher;
    QTest::keyClick(edit.focusWidget(), Qt::Key_Return);
    QCOMPARE(edit.result(), int(QDialog::Accepted));
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].text, QStringLiteral("未修改"));
    QCOMPARE(catcher.seen[0].icon, QMessageBox::NoIcon);
    QCOMPARE(catcher.seen[0].title, QCoreApplication::applicationName());
}

void TestRowCommands::okWithNothingChangedSaysSoAndKeepsTheRow()
{
    TheRowSnapshot() = RowSnapshot{1, u"CH2 "_qs, u"192.168.1.11 "_qs, u"8080 "_qs,
                                   u"192.168.1.1 "_qs, u"00:11:22:33:44:02 "_qs};
    const RowSnapshot before = TheRowSnapshot();
    CEditIP edit(dialog_.get());
    ModalCatcher catcher;
    edit.OnBnClickedEditOk();
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].text, QStringLiteral("未修改"));
    QCOMPARE(edit.result(), int(QDialog::Accepted));
    QCOMPARE(TheRowSnapshot().ip, before.ip);
}

void TestRowCommands::removingOnlyTheTrailingBlankIsAChange()
{
    TheRowSnapshot() = RowSnapshot{1, u"CH2 "_qs, u"192.168.1.11 "_qs, u"8080 "_qs,
                                   u"192.168.1.1 "_qs, u"00:11:22:33:44:02 "_qs};
    CEditIP edit(dialog_.get());
    edit.ControlAs<QLineEdit>(IDC_EDIT_IP)->setText(QStringLiteral("192.168.1.11"));
    ModalCatcher catcher;
    edit.OnBnClickedEditOk();
    QVERIFY(catcher.seen.isEmpty());
    QCOMPARE(TheRowSnapshot().ip, QStringLiteral("192.168.1.11"));
    QCOMPARE(TheRowSnapshot().port, QStringLiteral("8080 "));
}

void TestRowCommands::cancelAfterTypingEverywhereKeepsTheRow()
{
    const auto typeEverywhereThenCancel = [](QDialog* dialog) {
        QMetaObject::invokeMethod(dialog, [dialog] {
            auto* edit = static_cast<CEditIP*>(dialog);
            for (const int id : {IDC_EDIT_CHN, IDC_EDIT_IP, IDC_EDIT_PORT, IDC_EDIT_GATEWAY, IDC_EDIT_MAC})
                QTest::keyClicks(edit->Control(id), QStringLiteral("x"));
            QTest::mouseClick(edit->ControlAs<QPushButton>(IDC_EDIT_CANCEL), Qt::LeftButton);
        }, Qt::QueuedConnection);
    };
    ModalCatcher catcher(EDIT, typeEverywhereThenCancel);
    RightClick(CellCenter(0, COL_IP));
    QCOMPARE(catcher.seen.size(), 2);
    QCOMPARE(catcher.seen[1].className, QStringLiteral("CEditIP"));
    QCOMPARE(Cell(0, COL_CHN), QStringLiteral("前门 "));
    QCOMPARE(Cell(0, COL_IP), QStringLiteral("192.168.1.10 "));
    QCOMPARE(Cell(0, COL_PORT), QStringLiteral("80 "));
    QCOMPARE(Cell(0, COL_GATEWAY), QStringLiteral("192.168.1.1 "));
    QCOMPARE(Cell(0, COL_MAC), QStringLiteral("00:11:22:33:44:01 "));
}

void TestRowCommands::editThroughTheRowMenuWritesTheRowBack()
{
    const auto editAndConfirm = [](QDialog* dialog) {
        QMetaObject::invokeMethod(dialog, [dialog] {
            auto* edit = static_cast<CEditIP*>(dialog);
            edit->ControlAs<QLineEdit>(IDC_EDIT_CHN)->setText(QStringLiteral("大门"));
            edit->ControlAs<QLineEdit>(IDC_EDIT_IP)->setText(QStringLiteral("10.0.0.7"));
            edit->ControlAs<QLineEdit>(IDC_EDIT_MAC)->setText(QStringLiteral("AA:BB"));
            edit->OnBnClickedEditOk();
        }, Qt::QueuedConnection);
    };
    UrlCatcher urls;
    ModalCatcher catcher(EDIT, editAndConfirm);
    RightClick(CellCenter(1, COL_CHN));
    QCOMPARE(Cell(1, COL_CHN), QStringLiteral("大门"));
    QCOMPARE(Cell(1, COL_VERSION), QStringLiteral("V1 "));
    QCOMPARE(Cell(1, COL_IP), QStringLiteral("10.0.0.7"));
    QCOMPARE(Cell(1, COL_PORT), QStringLiteral("8080 "));
    QCOMPARE(Cell(1, COL_MAC), QStringLiteral("AA:BB"));

    // The edited address opens with no digit lost.
    DoubleClick(CellCenter(1, COL_IP));
    QCOMPARE(urls.opened, QList<QUrl>{QUrl(QStringLiteral("http://10.0.0.7:8080"))});
}

QTEST_MAIN(TestRowCommands)
#include "test_row_commands.moc"
