// Takes the README's screenshots: the real window listing devices that simulators play in the
// private test network, then the same list checked against an address plan, written beside
// OUTPUT with "-plan" added to its name. Runs only through tests/testnet/testnet.sh:
//
//   quenlo-screenshot OUTPUT.png
#include "device_list_model.h"
#include "dialog_template.h"
#include "quenlo_app.h"
#include "quenlo_dlg.h"
#include "screenshot_devices.h"
#include "search_worker.h"
#include "testnet.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPixmap>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int WATCHDOG_MS = 20000;

// The site's plan: most devices as planned, one front camera planned at another address, a new
// device still at its factory address, a planned device that is not there, and one new device
// the plan does not know.
constexpr const char* SITE_PLAN = "MAC地址,通道名称,IP地址,端口,网关\r\n"
                                  "02-4E-51-3C-1F-01,前门1,10.60.1.101,80,10.60.1.1\r\n"
                                  "02-4E-51-3C-1F-02,前门2,10.60.1.102,80,10.60.1.1\r\n"
                                  "02-4E-51-3C-1F-03,前门3,10.60.1.103,80,10.60.1.1\r\n"
                                  "02-4E-51-3C-1F-04,前门4,10.60.1.104,80,10.60.1.1\r\n"
                                  "02-4E-51-3C-1F-05,前门5,10.60.1.105,80,10.60.1.1\r\n"
                                  "02-4E-51-3C-1F-06,前门6,10.60.1.116,80,10.60.1.1\r\n"
                                  "02-4E-51-3C-1F-07,前门7,10.60.1.107,80,10.60.1.1\r\n"
                                  "02-4E-51-3C-1F-08,前门8,10.60.1.108,80,10.60.1.1\r\n"
                                  "02-4E-51-3C-1F-10,Lobby,10.60.1.130,8080,10.60.1.1\r\n"
                                  "02-4E-51-3C-6F-01,仓库1,10.60.2.31,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-02,仓库2,10.60.2.32,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-03,仓库3,10.60.2.33,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-04,仓库4,10.60.2.34,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-05,仓库5,10.60.2.35,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-06,仓库6,10.60.2.36,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-07,仓库7,10.60.2.37,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-08,仓库8,10.60.2.38,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-09,仓库9,10.60.2.39,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-0A,仓库10,10.60.2.40,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-0B,仓库11,10.60.2.41,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-0C,仓库12,10.60.2.42,8000,10.60.2.1\r\n"
                                  "02-4E-51-3C-6F-20,停车场,10.60.2.9,554,10.60.2.1\r\n"
                                  "02-4E-51-3C-7F-01,电梯厅,10.60.2.50,80,10.60.2.1\r\n"
                                  "02-4E-51-3C-8F-01,周界1,10.60.2.60,80,10.60.2.1\r\n";

// Rows reach the list complete, so waiting for their number is enough.
// Runs the window's events until condition holds, looked at every few milliseconds; false after
// the watchdog.
bool WaitUntil(const std::function<bool()>& condition)
{
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.exit(0);
    });
    look.start(10);
    QTimer::singleShot(WATCHDOG_MS, &loop, [&] { loop.exit(1); });
    return condition() || loop.exec() == 0;
}

void SelectRow(QTableView* list, int row)
{
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

bool Save(QWidget& window, const QString& output)
{
    if (window.grab().save(output))
        return true;
    std::fprintf(stderr, "quenlo-screenshot: cannot write %s\n", qPrintable(output));
    return false;
}

int TakeScreenshot(const QString& output)
{
    std::vector<std::unique_ptr<testnet::DevSim>> simulators;
    const int rows = StartScreenshotDevices(simulators);

    CQuenloDlg dialog;
    dialog.show();
    dialog.activateWindow();
    dialog.OnBnClickedSearch();
    QTableView* list = dialog.DeviceList();
    if (!WaitUntil([&] { return dialog.DeviceModel()->rowCount() == rows; })) {
        std::fprintf(stderr, "quenlo-screenshot: %d of %d rows listed after %d ms\n",
                     dialog.DeviceModel()->rowCount(), rows, WATCHDOG_MS);
        return 1;
    }
    // Sorted by address and narrowed down, as someone looking for one device among many does.
    dialog.OnColumnClick(COL_IP);
    dialog.FilterField()->setText(QStringLiteral("前门"));
    list->setFocus();
    list->setCurrentIndex(list->model()->index(5, COL_CHN));
    SelectRow(list, 2);
    if (!Save(dialog, output))
        return 1;

    // The whole list again, checked against the site's plan.
    QTemporaryDir folder;
    const QString plan = folder.filePath(QStringLiteral("site-plan.csv"));
    QFile file(plan);
    if (!file.open(QIODevice::WriteOnly) || file.write(SITE_PLAN) < 0 || !file.flush()) {
        std::fprintf(stderr, "quenlo-screenshot: cannot write %s\n", qPrintable(plan));
        return 1;
    }
    dialog.FilterField()->clear();
    dialog.OpenPlan(plan);
    // The plan is read off the window's thread.
    if (!WaitUntil([&] { return dialog.Presenter().HasPlan(); })) {
        std::fprintf(stderr, "quenlo-screenshot: the plan was not read after %d ms\n", WATCHDOG_MS);
        return 1;
    }
    list->clearSelection();
    list->setCurrentIndex(list->model()->index(5, COL_MAC));
    const QFileInfo shot(output);
    return Save(dialog, shot.dir().filePath(shot.completeBaseName() + QStringLiteral("-plan.")
                                            + shot.suffix()))
               ? 0
               : 1;
}

} // namespace

int main(int argc, char** argv)
{
    return ScreenshotMain(argc, argv, "png", [&](const char* output) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        UseResourceLanguage(OperatorLanguage());
        return TakeScreenshot(QString::fromLocal8Bit(output));
    });
}
