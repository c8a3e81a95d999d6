// The windows as their templates describe them; nothing here opens a socket.
#include "about_dlg.h"
#include "device_list_model.h"
#include "dialog_builder.h"
#include "list_feed.h"
#include "modal_catcher.h"
#include "quenlo_app.h"
#include "quenlo_dlg.h"
#include "resource.h"
#include "template_dialog.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

class TestQuenloUi : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void dialogUnitsToPixels_data();
    void dialogUnitsToPixels();
    void columnsFitTheVisibleWidthWithAndWithoutAScrollBar();
    void referenceFontsFallBackToTheSystemFont();
    void mainWindowFollowsItsTemplate();
    void mainWindowShrinksToASmallWorkAreaAndItsListTakesTheRoom();
    void deviceListIsAReportList();
    void texts();
    void aboutBoxAndItsMenuItem();
    void helpKeySaysHelpCannotStart();
    void inEnglishTheWindowSpeaksEnglish();
    void everyTextIsWholeInBothLanguages_data();
    void everyTextIsWholeInBothLanguages();

private:
    std::unique_ptr<ModalCatcher> unexpected_;
};

void TestQuenloUi::init()
{
    unexpected_ = std::make_unique<ModalCatcher>();
}

void TestQuenloUi::cleanup()
{
    const QString unexpected = EndUnexpectedModals(unexpected_);
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected));
}

void TestQuenloUi::dialogUnitsToPixels_data()
{
    QTest::addColumn<QRect>("units");
    QTest::addColumn<int>("baseX");
    QTest::addColumn<int>("baseY");
    QTest::addColumn<QRect>("pixels");
    // 8-point dialog font at 96 dpi on the reference platform: base units 6 x 13.
    QTest::newRow("button, 6x13") << QRect(108, 44, 50, 14) << 6 << 13 << QRect(162, 72, 75, 23);
    QTest::newRow("list, 6x13") << QRect(28, 101, 424, 227) << 6 << 13 << QRect(42, 164, 636, 369);
    // 9-point font: base units 7 x 15.
    QTest::newRow("button, 7x15") << QRect(322, 44, 50, 14) << 7 << 15 << QRect(564, 83, 88, 26);
    QTest::newRow("dialog, 7x15") << QRect(0, 0, 481, 349) << 7 << 15 << QRect(0, 0, 842, 654);
}

void TestQuenloUi::dialogUnitsToPixels()
{
    QFETCH(QRect, units);
    QFETCH(int, baseX);
    QFETCH(int, baseY);
    QFETCH(QRect, pixels);
    QCOMPARE(DialogUnitsToPixels(units, {baseX, baseY}), pixels);
}

// The columns fill the list's visible width, and the MAC, IP, port and gateway are never cut.
void TestQuenloUi::columnsFitTheVisibleWidthWithAndWithoutAScrollBar()
{
    CQuenloDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTableView* list = dialog.DeviceList();
    const RowCells wide{u"大门口的摄像机 ", u"V5.5.0 build 230915 (release, long) ", u"192.168.100.123 ",
                        u"65535 ", u"192.168.100.254 ", u"AA-BB-CC-DD-EE-FF "};
    const auto fits = [list, &wide] {
        int total = 0;
        for (int column = 0; column < COL_COUNT; ++column)
            total += list->columnWidth(column);
        bool whole = true;
        for (const int column : {COL_MAC, COL_IP, COL_PORT, COL_GATEWAY}) {
            const QString text = QString::fromStdU16String(wide[static_cast<std::size_t>(column)]);
            whole = whole && list->columnWidth(column) > list->fontMetrics().horizontalAdvance(text);
        }
        return whole && total == list->viewport()->width();
    };
    for (int row = 0; row < 3; ++row)
        ListRow(dialog, wide);
    QTRY_VERIFY(fits());
    QVERIFY(!list->verticalScrollBar()->isVisible());
    const int roomy = list->viewport()->width();

    for (int row = 0; row < 30; ++row)
        ListRow(dialog, wide);
    QTRY_VERIFY(list->verticalScrollBar()->isVisible());
    QTRY_VERIFY(fits());
    QVERIFY(list->viewport()->width() < roomy);
    QVERIFY(!list->horizontalScrollBar()->isVisible());

    // A marked address, with the longest text an address can have, shows whole beside its mark:
    // the delegate itself says what the cell needs.
    CDeviceListBridge& bridge = dialog.ListBridge();
    const int marked = bridge.AppendRow();
    for (int column = 0; column < COL_COUNT; ++column)
        bridge.SetCellText(marked, column, wide[static_cast<std::size_t>(column)]);
    bridge.SetHeardOn(marked, {"eth1", 0x0A000002u, true});
    bridge.TurnRedrawOn();
    dialog.OnListUpdate();
    const int last = list->model()->rowCount() - 1;
    QVERIFY(dialog.Presenter().Marked(last, COL_IP));
    struct View : QTableView {
        using QTableView::initViewItemOption;
    };
    QStyleOptionViewItem option;
    (list->*(&View::initViewItemOption))(&option);
    const QModelIndex ip = list->model()->index(last, COL_IP);
    QTRY_VERIFY(list->itemDelegate()->sizeHint(option, ip).width() + (list->showGrid() ? 1 : 0)
                <= list->columnWidth(COL_IP));
}

void TestQuenloUi::referenceFontsFallBackToTheSystemFont()
{
    for (const QString& face : {QStringLiteral("MS Shell Dlg"), QStringLiteral("Microsoft Sans Serif")}) {
        const QFont font = DialogFont(face, 9);
        QCOMPARE(font.pointSize(), 9);
        if (!QFontDatabase::hasFamily(face))
            QCOMPARE(font.family(), QApplication::font().family());
    }
}

void TestQuenloUi::mainWindowFollowsItsTemplate()
{
    CQuenloDlg dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Quenlo System"));
    QVERIFY(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));

    const DialogBaseUnits base = BaseUnitsOf(QFontMetrics(dialog.font()));
    QCOMPARE(dialog.size(), DialogUnitsToPixels(QRect(0, 0, 481, 349), base).size());
    auto* search = dialog.ControlAs<QPushButton>(IDC_SEARCH);
    auto* stop = dialog.ControlAs<QPushButton>(IDC_STOP);
    QTableView* list = dialog.DeviceList();
    QCOMPARE(search->geometry(), DialogUnitsToPixels(QRect(108, 44, 50, 14), base));
    QCOMPARE(stop->geometry(), DialogUnitsToPixels(QRect(322, 44, 50, 14), base));
    QCOMPARE(list->geometry(), DialogUnitsToPixels(QRect(28, 101, 424, 218), base));
    QCOMPARE(search->text(), QStringLiteral("Search"));
    QCOMPARE(stop->text(), QStringLiteral("Stop"));
    QVERIFY(search->isDefault());
    QVERIFY(!stop->isDefault());

    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(QApplication::focusWidget(), search);
    QCOMPARE(search->nextInFocusChain(), stop);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), stop);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.Control(IDC_STATE));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), dialog.FilterField());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), list);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), search);
}

void TestQuenloUi::mainWindowShrinksToASmallWorkAreaAndItsListTakesTheRoom()
{
    CQuenloDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QSize full = dialog.size();
    QWidget* stop = dialog.Control(IDC_STOP);
    QWidget* list = dialog.DeviceList();
    QWidget* status = dialog.Control(IDC_STATUS);
    QWidget* filter = dialog.FilterField();
    const QRect stopAt = stop->geometry();
    const QRect listAt = list->geometry();
    const QRect statusAt = status->geometry();
    const QRect filterAt = filter->geometry();
    const QSize frame = dialog.frameGeometry().size() - full;

    const QRect small(300, 40, full.width() + frame.width() - 100, 400);
    dialog.FitIn(small);
    QTRY_COMPARE(dialog.frameGeometry(), small);
    const int dy = dialog.height() - full.height();
    QCOMPARE(list->geometry(), listAt.adjusted(0, 0, -100, dy));
    QCOMPARE(status->geometry(), statusAt.translated(0, dy).adjusted(0, 0, -100, 0));
    QCOMPARE(filter->geometry(), filterAt.adjusted(0, 0, -100, 0));
    QCOMPARE(stop->geometry(), stopAt);

    dialog.resize(full + QSize(200, 100));
    QCOMPARE(list->geometry(), listAt.adjusted(0, 0, 200, 100));
    QCOMPARE(status->geometry(), statusAt.translated(0, 100).adjusted(0, 0, 200, 0));
    QCOMPARE(stop->geometry(), stopAt);
}

void TestQuenloUi::deviceListIsAReportList()
{
    CQuenloDlg dialog;
    QTableView* list = dialog.DeviceList();
    QCOMPARE(list->model()->rowCount(), 0);
    QVERIFY(list->showGrid());
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(list->verticalHeader()->isHidden());
    QCOMPARE(list->palette().color(QPalette::Inactive, QPalette::Highlight),
             list->palette().color(QPalette::Active, QPalette::Highlight));

    // Cells the worker writes are not editable.
    ListRow(dialog, {u"", u"", u"10.0.0.1 "});
    const QModelIndex ip = list->model()->index(0, COL_IP);
    QCOMPARE(ip.data().toString(), QStringLiteral("10.0.0.1 "));
    QVERIFY(!(ip.flags() & Qt::ItemIsEditable));
}

void TestQuenloUi::texts()
{
    QCOMPARE(LoadResourceString(IDS_ABOUTBOX), QStringLiteral("关于 Quenlo(&A)..."));
    QCOMPARE(LoadResourceString(IDP_SOCKETS_INIT_FAILED), QStringLiteral("Windows 套接字初始化失败。"));
    QCOMPARE(LoadResourceString(IDS_HELP_FAILED), QStringLiteral("启动帮助失败。"));
    QCOMPARE(LoadResourceString(IDS_PORT_BUSY),
             QStringLiteral("无法监听 UDP 端口 6061，收不到设备的应答。请关闭占用该端口的程序后重新搜索。"));
    QVERIFY(LoadResourceString(9999).isEmpty());
}

void TestQuenloUi::aboutBoxAndItsMenuItem()
{
    CAboutDlg about;
    QCOMPARE(about.windowTitle(), QStringLiteral("关于 Quenlo"));
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("IDC_STATIC"))->text(),
             QStringLiteral("Quenlo，1.0 版"));
    auto* ok = about.ControlAs<QPushButton>(IDOK);
    QCOMPARE(ok->text(), QStringLiteral("确定"));
    QVERIFY(ok->isDefault());
    about.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    QCOMPARE(about.result(), int(QDialog::Accepted));
    QVERIFY(about.isHidden());

    // Right click on the window outside the list: the list's commands and the About item, which
    // opens the box.
    CQuenloDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    ModalCatcher catcher(QStringLiteral("关于 Quenlo(&A)..."));
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5), dialog.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&dialog, &rightClick);
    QTRY_COMPARE_WITH_TIMEOUT(catcher.seen.size(), 2, 5000);
    QCOMPARE(catcher.seen[0].actions.last(), QStringLiteral("关于 Quenlo(&A)..."));
    QCOMPARE(catcher.seen[1].className, QStringLiteral("CAboutDlg"));
    QCOMPARE(catcher.seen[1].title, QStringLiteral("关于 Quenlo"));
}

void TestQuenloUi::helpKeySaysHelpCannotStart()
{
    CQuenloDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    ModalCatcher catcher;
    QTest::keyClick(&dialog, Qt::Key_F1);
    QCOMPARE(catcher.seen.size(), 1);
    QCOMPARE(catcher.seen[0].text, QStringLiteral("启动帮助失败。"));
    QCOMPARE(catcher.seen[0].icon, QMessageBox::Warning);
    QCOMPARE(catcher.seen[0].title, QCoreApplication::applicationName());
    QVERIFY(dialog.isVisible());
}

void TestQuenloUi::inEnglishTheWindowSpeaksEnglish()
{
    UseResourceLanguage(UiLanguage::English);
    const auto chinese = qScopeGuard([] { UseResourceLanguage(UiLanguage::Chinese); });
    CQuenloDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Quenlo System"));
    QCOMPARE(dialog.ControlAs<QComboBox>(IDC_STATE)->itemText(0), QStringLiteral("All devices"));
    QTRY_VERIFY_WITH_TIMEOUT(dialog.ControlAs<QLabel>(IDC_STATUS)->text().contains(
                                 QStringLiteral("Devices: 0")), 5000);

    ModalCatcher menu;
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 dialog.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&dialog, &rightClick);
    QTRY_COMPARE_WITH_TIMEOUT(menu.seen.size(), 1, 5000);
    QVERIFY2(menu.seen[0].actions.contains(QStringLiteral("&Open address plan...")),
             qPrintable(menu.seen[0].actions.join(u'|')));
    QCOMPARE(menu.seen[0].actions.last(), QStringLiteral("&About Quenlo..."));

    ModalCatcher message;
    QTest::keyClick(&dialog, Qt::Key_F1);
    QCOMPARE(message.seen.size(), 1);
    QCOMPARE(message.seen[0].text, QStringLiteral("Help could not be started."));
}

void TestQuenloUi::everyTextIsWholeInBothLanguages_data()
{
    QTest::addColumn<UiLanguage>("language");
    QTest::addColumn<int>("templateId");
    for (const auto& [language, name] : {std::pair(UiLanguage::Chinese, "Chinese"),
                                         std::pair(UiLanguage::English, "English")}) {
        for (const int id : {IDD_MAIN, IDD_ABOUTBOX, IDD_ADDRESS_EDIT, IDD_TEXT_VIEW})
            QTest::addRow("%s, %d", name, id) << language << id;
    }
}

// Every label, button and choice of every dialog shows its whole text, at whatever scaling the
// test runs (its ctest entries run it at 100 % and 200 %).
void TestQuenloUi::everyTextIsWholeInBothLanguages()
{
    QFETCH(UiLanguage, language);
    QFETCH(int, templateId);
    UseResourceLanguage(language);
    const auto chinese = qScopeGuard([] { UseResourceLanguage(UiLanguage::Chinese); });
    std::unique_ptr<QDialog> dialog;
    if (templateId == IDD_MAIN)
        dialog = std::make_unique<CQuenloDlg>();
    else
        dialog = std::make_unique<CTemplateDialog>(templateId);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));

    const auto whole = [](QWidget* control, const QString& text, int room) {
        const int needed = control->fontMetrics().horizontalAdvance(QString(text).remove(u'&'));
        return needed <= room ? QString()
                              : QStringLiteral("\"%1\" needs %2 px of %3\n").arg(text).arg(needed)
                                    .arg(room);
    };
    QString cut;
    for (QLabel* label : dialog->findChildren<QLabel*>()) {
        if (label->pixmap().isNull() && label->objectName() != QStringLiteral("IDC_STATUS"))
            cut += whole(label, label->text(), label->contentsRect().width());
    }
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        QStyleOptionButton option;
        option.initFrom(button);
        const QRect inside = button->style()->subElementRect(QStyle::SE_PushButtonContents,
                                                             &option, button);
        cut += whole(button, button->text(), inside.width());
    }
    for (QComboBox* choice : dialog->findChildren<QComboBox*>()) {
        QStyleOptionComboBox option;
        option.initFrom(choice);
        const QRect inside = choice->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                             QStyle::SC_ComboBoxEditField, choice);
        for (int i = 0; i < choice->count(); ++i)
            cut += whole(choice, choice->itemText(i), inside.width());
    }
    QVERIFY2(cut.isEmpty(), qPrintable(cut));
}

QTEST_MAIN(TestQuenloUi)
#include "test_quenlo_ui.moc"
