// The row menu, Delete, Edit and the web page of a row; nothing here opens a socket.
#include "device_list_model.h"
#include "edit_ip.h"
#include "list_feed.h"
#include "modal_catcher.h"
#include "quenlo_dlg.h"
#include "resource.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QDesktopServices>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace {

// How long a window may take to become active again; reached only when something is wrong.
constexpr int ACTIVE_LIMIT_MS = 30000;
// How long reading a plan off the window's thread may take; reached only when something is wrong.
constexpr int LOAD_LIMIT_MS = 30000;

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

const QString EDIT = QStringLiteral("编辑(&E)");
const QString DELETE = QStringLiteral("删除(&D)");

} // namespace

class TestRowCommands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void rightClickOnARowSnapshotsItAndOffersTheRowMenu();
    void rightClickBelowTheLastRowDoesNothing();
    void shiftF10AndTheMenuKeyOpenTheFocusedRowsMenu();
    void deleteRemovesTheTopmostSelectedRow();
    void doubleClickOpensTheWebPageOrSaysWhyNot();
    void editDialogStartsWithTheRowsTextsAndOkFocused();
    void okWithNothingChangedSaysSoAndKeepsTheRow();
    void removingOnlyTheTrailingBlankIsAChange();
    void cancelAfterTypingEverywhereKeepsTheRow();
    void editThroughTheRowMenuWritesTheRowBack();
    void editWritesIntoItsOwnRowWhateverTheListDidMeanwhile();
    void sortedRowsArriveInPlaceAndDeleteTakesTheRowShown();
    void copyGivesTabSeparatedLinesASpreadsheetNeverRuns();
    void theFilterNarrowsTheRowsTheCommandsAndTheSavedFile();
    void saveOnAFullDiskKeepsTheOldFileAndSaysSo_data();
    void saveOnAFullDiskKeepsTheOldFileAndSaysSo();
    void anAddressPlanGivesEachRowItsVerdict();
    void theStateChoiceKeepsTheRowsThatNeedWork();

private:
    void AddRow(const std::u16string& chn, const std::u16string& ip, const std::u16string& port,
                const std::u16string& mac);
    bool Activate() const;
    QPoint CellCenter(int row, int column) const;
    void RightClick(const QPoint& position);
    void DoubleClick(const QPoint& position);
    QString Cell(int row, int column) const;
    int RowCount() const;

    std::unique_ptr<ModalCatcher> unexpected_;
    std::unique_ptr<CQuenloDlg> dialog_;
};

void TestRowCommands::init()
{
    unexpected_ = std::make_unique<ModalCatcher>();
    dialog_ = std::make_unique<CQuenloDlg>();
    dialog_->show();
    QVERIFY(Activate());
    AddRow(u"前门 ", u"192.168.1.10 ", u"80 ", u"00:11:22:33:44:01 ");
    AddRow(u"CH2 ", u"192.168.1.11 ", u"8080 ", u"00:11:22:33:44:02 ");
    AddRow(u"CH3 ", u"10.0.0.7 ", u"81 ", u"00:11:22:33:44:03 ");
    AddRow(u"CH4 ", u"10.0.0.8 ", u"82 ", u"00:11:22:33:44:04 ");
}

void TestRowCommands::cleanup()
{
    dialog_.reset();
    const QString unexpected = EndUnexpectedModals(unexpected_);
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
}

void TestRowCommands::AddRow(const std::u16string& chn, const std::u16string& ip,
                             const std::u16string& port, const std::u16string& mac)
{
    ListRow(*dialog_, {chn, u"V1 ", ip, port, u"192.168.1.1 ", mac});
}

// A window's shortcuts act only while it is the active window. After a menu over it closes, the
// platform's activation events for the menu may still be on their way, and when they come late
// (on a busy machine) they leave no window active. A window manager would give the activation
// back; here the test asks for it, and waits until it is so.
bool TestRowCommands::Activate() const
{
    dialog_->activateWindow();
    return QTest::qWaitFor([this] { return QApplication::activeWindow() == dialog_.get(); },
                           ACTIVE_LIMIT_MS);
}

QPoint TestRowCommands::CellCenter(int row, int column) const
{
    QTableView* list = dialog_->DeviceList();
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
    return QString::fromStdU16String(
        dialog_->Presenter().At(row).cells[static_cast<std::size_t>(column)]);
}

int TestRowCommands::RowCount() const
{
    return dialog_->DeviceModel()->rowCount();
}

void TestRowCommands::rightClickOnARowSnapshotsItAndOffersTheRowMenu()
{
    ModalCatcher catcher;
    RightClick(CellCenter(2, COL_PORT));
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].actions,
             (QStringList{EDIT, DELETE, u"打开网页(&W)"_qs, u"复制网址(&U)"_qs, u"复制(&C)"_qs,
                          u"复制（含标题行）(&H)"_qs, u"复制 IP(&I)"_qs, u"复制 MAC(&M)"_qs,
                          u"访问网段外的设备(&A)..."_qs, u"采用设备现在的设置(&T)"_qs}));

    const RowSnapshot& snapshot = dialog_->Snapshot();
    QCOMPARE(snapshot.row, dialog_->Presenter().At(2).id);
    QVERIFY(snapshot.chn == u"CH3 ");
    QVERIFY(snapshot.ip == u"10.0.0.7 ");
    QVERIFY(snapshot.port == u"81 ");
    QVERIFY(snapshot.gateway == u"192.168.1.1 ");
    QVERIFY(snapshot.mac == u"00:11:22:33:44:03 ");
    QCOMPARE(RowCount(), 4);
}

void TestRowCommands::rightClickBelowTheLastRowDoesNothing()
{
    ModalCatcher catcher;
    RightClick(CellCenter(1, COL_CHN));
    QCOMPARE(catcher.seen.size(), 1);
    const QRect viewport = dialog_->DeviceList()->viewport()->rect();
    RightClick(QPoint(viewport.center().x(), viewport.bottom() - 2));
    QCOMPARE(catcher.seen.size(), 1); // a menu runs its own loop: it would have been seen
    QCOMPARE(dialog_->Snapshot().row, dialog_->Presenter().At(1).id);
    QVERIFY(dialog_->Snapshot().chn == u"CH2 ");
}

void TestRowCommands::shiftF10AndTheMenuKeyOpenTheFocusedRowsMenu()
{
    QTableView* list = dialog_->DeviceList();
    list->setFocus();
    list->setCurrentIndex(list->model()->index(2, COL_MAC));
    {
        ModalCatcher catcher;
        QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(catcher.seen.size(), 1);
        QCOMPARE(catcher.seen[0].actions.value(0), EDIT);
        QCOMPARE(dialog_->Snapshot().row, dialog_->Presenter().At(2).id);
    }
    list->setCurrentIndex(list->model()->index(1, COL_CHN));
    ModalCatcher catcher;
    // Where the mouse is plays no part: the menu is the focused row's.
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(1, 1),
                              list->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(list, &menuKey);
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(dialog_->Snapshot().row, dialog_->Presenter().At(1).id);
}

void TestRowCommands::deleteRemovesTheTopmostSelectedRow()
{
    QTableView* list = dialog_->DeviceList();
    {
        ModalCatcher catcher(DELETE);
        RightClick(CellCenter(2, COL_CHN));
    }
    QCOMPARE(RowCount(), 3);
    QCOMPARE(Cell(2, COL_CHN), QStringLiteral("CH4 "));

    list->clearSelection();
    list->selectRow(2);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->selectRow(1);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dialog_->OnRowDelete();
    QCOMPARE(RowCount(), 2);
    QCOMPARE(Cell(0, COL_CHN), QStringLiteral("前门 "));
    QCOMPARE(Cell(1, COL_CHN), QStringLiteral("CH4 "));

    list->clearSelection();
    dialog_->OnRowDelete();
    QCOMPARE(RowCount(), 2);
}

void TestRowCommands::doubleClickOpensTheWebPageOrSaysWhyNot()
{
    UrlCatcher urls;
    DoubleClick(CellCenter(1, COL_MAC));
    QCOMPARE(urls.opened, QList<QUrl>{QUrl(QStringLiteral("http://192.168.1.11:8080"))});

    // A device that answers with a link in its texts gets it shown literally, never live.
    AddRow(u"CH5 ", u"<a href=smb://h>", u"x</a>\u202E", u"00:11:22:33:44:05 ");
    ModalCatcher catcher;
    DoubleClick(CellCenter(4, COL_CHN));
    QCOMPARE(urls.opened.size(), 1);
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].text, QStringLiteral("无法打开设备网页：http://<a href=smb://h>:x</a>\uFFFD"));
    QCOMPARE(catcher.seen[0].textFormat, Qt::PlainText);
    QCOMPARE(catcher.seen[0].icon, QMessageBox::Warning);
    QCOMPARE(dialog_->DeviceModel()->index(4, COL_PORT).data().toString(),
             QStringLiteral("x</a>\uFFFD"));

    const QRect area = dialog_->DeviceList()->viewport()->rect();
    DoubleClick(QPoint(area.center().x(), area.bottom() - 2));
    QCOMPARE(urls.opened.size(), 1);
    QCOMPARE(catcher.seen.size(), 1);

    // Nothing on this platform opens web pages: said with the address, and how to copy it.
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    DoubleClick(CellCenter(1, COL_MAC));
    QCOMPARE(catcher.seen.size(), 2);
    QCOMPARE(catcher.seen[1].text,
             QStringLiteral("无法打开设备网页 http://192.168.1.11:8080：没有可以打开网页的程序。\n"
                            "行菜单中的“复制网址”可复制这个地址，粘贴到浏览器中打开。"));
}

void TestRowCommands::editDialogStartsWithTheRowsTextsAndOkFocused()
{
    RowSnapshot snapshot{0, u"前门 ", u"192.168.1.10 ", u"80 ", u"192.168.1.1 ",
                         u"00:11:22:33:44:01 "};
    CEditIP edit(snapshot, dialog_.get());
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
    // The dialog says where the change goes.
    const QList<QLabel*> labels = edit.findChildren<QLabel*>();
    QVERIFY(std::any_of(labels.begin(), labels.end(), [](const QLabel* label) {
        return label->text() == u"只修改列表，不会发送到设备。"_qs;
    }));

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
    RowSnapshot snapshot{1, u"CH2 ", u"192.168.1.11 ", u"8080 ", u"192.168.1.1 ",
                         u"00:11:22:33:44:02 "};
    CEditIP edit(snapshot, dialog_.get());
    ModalCatcher catcher;
    edit.OnBnClickedEditOk();
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].text, QStringLiteral("未修改"));
    QCOMPARE(edit.result(), int(QDialog::Accepted));
    QVERIFY(snapshot.ip == u"192.168.1.11 ");
}

void TestRowCommands::removingOnlyTheTrailingBlankIsAChange()
{
    RowSnapshot snapshot{1, u"CH2 ", u"192.168.1.11 ", u"8080 ", u"192.168.1.1 ",
                         u"00:11:22:33:44:02 "};
    CEditIP edit(snapshot, dialog_.get());
    edit.ControlAs<QLineEdit>(IDC_EDIT_IP)->setText(QStringLiteral("192.168.1.11"));
    ModalCatcher catcher;
    edit.OnBnClickedEditOk();
    QVERIFY(catcher.seen.isEmpty());
    QVERIFY(snapshot.ip == u"192.168.1.11");
    QVERIFY(snapshot.port == u"8080 ");
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
    // Each cell the edit changed is marked, and its tooltip says what the device answers.
    const QAbstractItemModel* model = dialog_->DeviceList()->model();
    QVERIFY(!model->data(model->index(1, COL_IP), Qt::DecorationRole).isNull());
    QVERIFY(model->data(model->index(1, COL_PORT), Qt::DecorationRole).isNull());
    QVERIFY(model->data(model->index(1, COL_IP), Qt::ToolTipRole)
                .toString()
                .endsWith(u"已编辑：只改了列表，设备应答的是 192.168.1.11"_qs));

    // The edited address opens with no digit lost.
    DoubleClick(CellCenter(1, COL_IP));
    QCOMPARE(urls.opened, QList<QUrl>{QUrl(QStringLiteral("http://10.0.0.7:8080"))});
}

void TestRowCommands::editWritesIntoItsOwnRowWhateverTheListDidMeanwhile()
{
    // While the dialog is open the operator's Delete removes a row above; then a new search
    // empties the list. OK must touch neither the wrong row nor a row of the new search.
    const auto changeTheListThenConfirm = [this](bool newSearch) {
        return [this, newSearch](QDialog* dialog) {
            QMetaObject::invokeMethod(dialog, [this, dialog, newSearch] {
                dialog_->DeviceList()->selectRow(0);
                dialog_->OnRowDelete();
                if (newSearch) {
                    dialog_->ListBridge().DeleteAllRows();
                    AddRow(u"NEW ", u"10.0.0.9 ", u"80 ", u"00:11:22:33:44:09 ");
                }
                auto* edit = static_cast<CEditIP*>(dialog);
                edit->ControlAs<QLineEdit>(IDC_EDIT_CHN)->setText(QStringLiteral("大门"));
                edit->OnBnClickedEditOk();
            }, Qt::QueuedConnection);
        };
    };
    {
        ModalCatcher catcher(EDIT, changeTheListThenConfirm(false));
        RightClick(CellCenter(2, COL_CHN));
    }
    QCOMPARE(RowCount(), 3);
    QCOMPARE(Cell(1, COL_CHN), QStringLiteral("大门"));
    QCOMPARE(Cell(1, COL_MAC), QStringLiteral("00:11:22:33:44:03 "));
    QCOMPARE(Cell(2, COL_CHN), QStringLiteral("CH4 "));

    {
        ModalCatcher catcher(EDIT, changeTheListThenConfirm(true));
        RightClick(CellCenter(1, COL_CHN));
    }
    QCOMPARE(RowCount(), 1);
    QCOMPARE(Cell(0, COL_CHN), QStringLiteral("NEW "));
}

void TestRowCommands::sortedRowsArriveInPlaceAndDeleteTakesTheRowShown()
{
    const auto column = [this](int col) {
        QStringList texts;
        for (int row = 0; row < RowCount(); ++row)
            texts << Cell(row, col).trimmed();
        return texts;
    };
    dialog_->OnColumnClick(COL_IP);
    QCOMPARE(column(COL_IP), (QStringList{"10.0.0.7", "10.0.0.8", "192.168.1.10", "192.168.1.11"}));
    AddRow(u"CH5 ", u"9.1.1.1 ", u"443 ", u"00:11:22:33:44:05 ");
    QCOMPARE(column(COL_CHN), (QStringList{"CH5", "CH3", "CH4", "前门", "CH2"}));

    dialog_->OnColumnClick(COL_PORT);
    QCOMPARE(column(COL_PORT), (QStringList{"80", "81", "82", "443", "8080"}));
    dialog_->DeviceList()->clearSelection();
    dialog_->DeviceList()->selectRow(2);
    dialog_->OnRowDelete();
    QCOMPARE(column(COL_CHN), (QStringList{"前门", "CH3", "CH5", "CH2"}));

    dialog_->OnColumnClick(COL_PORT);
    QCOMPARE(column(COL_PORT), (QStringList{"8080", "443", "81", "80"}));
    QCOMPARE(dialog_->DeviceList()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    dialog_->OnColumnClick(COL_PORT);
    QCOMPARE(column(COL_CHN), (QStringList{"前门", "CH2", "CH3", "CH5"}));
    QVERIFY(!dialog_->DeviceList()->horizontalHeader()->isSortIndicatorShown());

    // A new search lists in first-heard order again.
    dialog_->OnColumnClick(COL_CHN);
    dialog_->ListBridge().DeleteAllRows();
    AddRow(u"B ", u"10.0.0.2 ", u"80 ", u"00:11:22:33:44:12 ");
    AddRow(u"A ", u"10.0.0.1 ", u"80 ", u"00:11:22:33:44:11 ");
    QCOMPARE(column(COL_CHN), (QStringList{"B", "A"}));
}

void TestRowCommands::copyGivesTabSeparatedLinesASpreadsheetNeverRuns()
{
    AddRow(u"=1+2\tx ", u"10.0.0.9 ", u"83 ", u"00:11:22:33:44:05 ");
    QTableView* list = dialog_->DeviceList();
    list->clearSelection();
    list->selectRow(4);
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->selectRow(1);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("CH2\tV1\t192.168.1.11\t8080\t192.168.1.1\t00:11:22:33:44:02\n"
                            "'=1+2 x\tV1\t10.0.0.9\t83\t192.168.1.1\t00:11:22:33:44:05\n"));

    ModalCatcher catcher(u"复制 MAC(&M)"_qs);
    RightClick(CellCenter(0, COL_CHN));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("00:11:22:33:44:01"));
}

void TestRowCommands::theFilterNarrowsTheRowsTheCommandsAndTheSavedFile()
{
    QTableView* list = dialog_->DeviceList();
    QLineEdit* filter = dialog_->FilterField();
    const auto status = [this] { return dialog_->ControlAs<QLabel>(IDC_STATUS)->text(); };
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(filter->hasFocus());
    QTest::keyClicks(filter, QStringLiteral("10.0.0"));
    QCOMPARE(RowCount(), 2);
    QVERIFY2(status().endsWith(u"显示 2 / 共 4 台设备"_qs), qPrintable(status()));

    // Row commands take the row as shown: the second one here is the list's fourth.
    {
        ModalCatcher catcher(DELETE);
        RightClick(CellCenter(1, COL_CHN));
    }
    QCOMPARE(RowCount(), 1);
    QCOMPARE(Cell(0, COL_CHN), QStringLiteral("CH3 "));

    QTemporaryDir folder;
    const auto saveAs = [](const QString& path, const QString& type) {
        return [path, type](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files);
            files->selectNameFilter(type);
            files->selectFile(path);
            QMetaObject::invokeMethod(files, &QDialog::accept);
        };
    };
    QVERIFY(Activate());
    {
        ModalCatcher catcher({}, saveAs(folder.filePath(u"site.csv"_qs), u"CSV 表格 (*.csv)"_qs));
        QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(catcher.seen.size(), 1);
    }
    QFile saved(folder.filePath(u"site.csv"_qs));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), QByteArray("\xEF\xBB\xBF"
                                         "chn,version,ip,port,gateway,mac\r\n"
                                         "CH3,V1,10.0.0.7,81,192.168.1.1,00:11:22:33:44:03\r\n"));

    // A file that cannot be written, even by root, is said to be so; the list stays as it was.
    {
        ModalCatcher catcher;
        dialog_->SaveList(u"/proc/quenlo-site.jsonl"_qs, OutputFormat::Json, std::nullopt);
        QCOMPARE(catcher.seen.size(), 1);
        QVERIFY2(catcher.seen[0].text.startsWith(u"无法保存"_qs), qPrintable(catcher.seen[0].text));
    }
    QCOMPARE(RowCount(), 1);

    // Escape clears the filter first, and leaves the window open.
    QTest::keyClick(filter, Qt::Key_Escape);
    QVERIFY(filter->text().isEmpty());
    QCOMPARE(RowCount(), 3);
    QVERIFY(dialog_->isVisible());
    QVERIFY2(status().endsWith(u"共 3 台设备"_qs), qPrintable(status()));

    list->setFocus();
    QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(list->selectionModel()->selectedRows(), QModelIndexList{list->model()->index(2, 0)});
    QTest::keyClick(list, Qt::Key_Home);
    QCOMPARE(list->currentIndex().row(), 0);
    QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
}

void TestRowCommands::saveOnAFullDiskKeepsTheOldFileAndSaysSo_data()
{
    QTest::addColumn<int>("freeBytes");
    QTest::newRow("no space left") << 0;
    // Room for the start of the list's text, not for its whole.
    QTest::newRow("8 KiB left") << 8192;
}

void TestRowCommands::saveOnAFullDiskKeepsTheOldFileAndSaysSo()
{
    QFETCH(int, freeBytes);
    const QString disk = qEnvironmentVariable("QUENLO_SMALL_DISK");
    if (disk.isEmpty())
        QSKIP("needs a small filesystem of its own: run it through tests/small_disk.sh");
    // 255 rows, some 12 KiB: less than the file's buffer, so that the first write to the disk is
    // the last flush, as with most lists.
    for (int i = 4; i < 255; ++i)
        AddRow(u"CH ", u"10.0.1.1 ", u"80 ",
               u"00:11:22:33:%1:%2 "_qs.arg(i / 100).arg(i % 100, 2, 10, QLatin1Char(u'0'))
                   .toStdU16String());
    const QString path = disk + u"/list.csv"_qs;
    const QByteArray old("chn,version,ip,port,gateway,mac\r\nthe list saved before\r\n");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(old), old.size());
    }
    // The rest of the disk is filled, then as much as the row gives back.
    const QString fillerPath = disk + u"/filler"_qs;
    const int filler = ::open(qPrintable(fillerPath), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    QVERIFY(filler >= 0);
    const QByteArray block(4096, 'x');
    off_t filled = 0;
    for (ssize_t n; (n = ::write(filler, block.constData(), block.size())) > 0;)
        filled += n;
    QVERIFY(::ftruncate(filler, filled - std::min<off_t>(filled, freeBytes)) == 0);
    ::close(filler);

    ModalCatcher catcher;
    dialog_->SaveList(path, OutputFormat::Csv, std::nullopt);
    QCOMPARE(catcher.seen.size(), 1);
    QVERIFY2(catcher.seen[0].text.startsWith(u"无法保存 "_qs + path), qPrintable(catcher.seen[0].text));
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), old);
    QCOMPARE(QDir(disk).entryList(QDir::Files | QDir::Hidden),
             (QStringList{u"filler"_qs, u"list.csv"_qs}));
    QVERIFY(QFile::remove(fillerPath) && QFile::remove(path));
}

void TestRowCommands::anAddressPlanGivesEachRowItsVerdict()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"site.csv"_qs);
    {
        QFile plan(path);
        QVERIFY(plan.open(QIODevice::WriteOnly));
        plan.write("MAC\xE5\x9C\xB0\xE5\x9D\x80,IP\r\n" // MAC地址
                   "00-11-22-33-44-01,192.168.1.10\r\n"
                   "00-11-22-33-44-02,192.168.1.99\r\n"
                   "00-11-22-33-44-09,\r\n"
                   "00-11-22-33-44-0x,10.0.0.1\r\n");
    }
    // The file dialog is given the plan; each text view shown after it is read and closed.
    QStringList views;
    const auto answer = [&path, &views](QDialog* dialog) {
        if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            files->selectFile(path);
        } else if (auto* view = dialog->findChild<QPlainTextEdit*>()) {
            views << dialog->windowTitle() + u'\n' + view->toPlainText();
        }
        QMetaObject::invokeMethod(dialog, &QDialog::accept);
    };
    {
        ModalCatcher catcher({}, answer);
        QSignalSpy loaded(dialog_.get(), &CQuenloDlg::planLoaded);
        QTest::keyClick(dialog_->DeviceList(), Qt::Key_O, Qt::ControlModifier);
        QVERIFY(loaded.wait(LOAD_LIMIT_MS));
    }
    QCOMPARE(views, QStringList{u"地址计划中跳过的行\n地址计划 site.csv 中有 1 行无法读取，已跳过，"
                                u"其中的设备不作检查：\n第 5 行：MAC 地址“00-11-22-33-44-0x”无法识别\n"_qs});

    // The six columns stay; the MAC cell carries the verdict, its tooltip says it.
    const DeviceListModel* model = dialog_->DeviceModel();
    QCOMPARE(model->columnCount(), COL_COUNT);
    const auto tip = [model](int row) {
        return model->data(model->index(row, COL_MAC), Qt::ToolTipRole).toString();
    };
    for (int row = 0; row < 4; ++row)
        QVERIFY(!model->data(model->index(row, COL_MAC), Qt::DecorationRole).isNull());
    QVERIFY(model->data(model->index(0, COL_IP), Qt::DecorationRole).isNull());
    QVERIFY2(tip(0).endsWith(u"\n与地址计划第 2 行相符"_qs), qPrintable(tip(0)));
    QVERIFY2(tip(1).endsWith(u"\n与地址计划第 3 行不符：\nIP：计划 192.168.1.99，实际 192.168.1.11"_qs),
             qPrintable(tip(1)));
    QVERIFY2(tip(2).endsWith(u"\n不在地址计划中"_qs), qPrintable(tip(2)));
    const QString status = dialog_->ControlAs<QLabel>(IDC_STATUS)->text();
    QVERIFY2(status.endsWith(u"计划 3 台：相符 1，不符 1，已无应答 0，未应答 1；不在计划中 2"_qs),
             qPrintable(status));

    views.clear();
    {
        ModalCatcher catcher({}, answer);
        dialog_->OnMissingPlanned();
    }
    QCOMPARE(views, QStringList{u"未应答的计划设备\n地址计划 site.csv 中有 1 台设备在本次搜索中没有应答：\n"
                                u"第 4 行：mac 00-11-22-33-44-09\n"_qs});

    // A file that is no plan is said so, and the plan stays.
    {
        QFile notPlan(path);
        QVERIFY(notPlan.open(QIODevice::WriteOnly));
        notPlan.write("chn,ip\n");
    }
    {
        ModalCatcher catcher;
        QSignalSpy loaded(dialog_.get(), &CQuenloDlg::planLoaded);
        dialog_->OpenPlan(path);
        QVERIFY(loaded.wait(LOAD_LIMIT_MS));
        QCOMPARE(catcher.seen.size(), 1);
        QCOMPARE(catcher.seen[0].text, u"无法读取地址计划 site.csv：标题行中没有 MAC 列（可写作 MAC、MAC地址 或 物理地址）。"_qs);
    }
    QVERIFY2(tip(0).endsWith(u"\n与地址计划第 2 行相符"_qs), qPrintable(tip(0)));
}

QTEST_MAIN(TestRowCommands)
void TestRowCommands::theStateChoiceKeepsTheRowsThatNeedWork()
{
    auto* state = dialog_->ControlAs<QComboBox>(IDC_STATE);
    QCOMPARE(state->count(), ROW_STATE_COUNT);
    QCOMPARE(state->itemText(1), u"所有待处理"_qs);
    AddRow(u"CH5 ", u"10.0.0.8 ", u"83 ", u"00:11:22:33:44:05 ");

    // Alt+W reaches the choice; its next one, all that needs work, keeps the two devices at one
    // address.
    QTest::keyClick(dialog_.get(), Qt::Key_W, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), state);
    QTest::keyClick(state, Qt::Key_Down);
    QCOMPARE(dialog_->DeviceList()->model()->rowCount(), 2);
    QCOMPARE(Cell(0, COL_CHN), QStringLiteral("CH4 "));
    QCOMPARE(Cell(1, COL_CHN), QStringLiteral("CH5 "));
    QCOMPARE(dialog_->ControlAs<QLabel>(IDC_STATUS)->text(),
             u"已停止    显示 2 / 共 5 台设备，2 台地址重复"_qs);

    QTest::keyClick(state, Qt::Key_Home);
    QCOMPARE(dialog_->DeviceList()->model()->rowCount(), 5);
}

#include "test_row_commands.moc"
