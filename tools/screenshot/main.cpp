// Takes the README's screenshot: the real window listing devices that simulators play in the
// private test network. Runs only through tests/testnet/testnet.sh:
//
//   quenlo-screenshot OUTPUT.png
#include "device_list_model.h"
#include "quenlo_dlg.h"
#include "screenshot_devices.h"
#include "search_worker.h"
#include "testnet.h"

#include <QApplication>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPixmap>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int WATCHDOG_MS = 20000;

// Rows reach the list complete, so waiting for their number is enough.
bool WaitForRows(const DeviceListModel* list, int rows)
{
    QEventLoop loop;
    const auto check = [&] {
        if (list->rowCount() == rows)
            loop.exit(0);
    };
    QObject::connect(list, &DeviceListModel::rowsInserted, &loop, check);
    QTimer::singleShot(WATCHDOG_MS, &loop, [&] { loop.exit(1); });
    return list->rowCount() == rows || loop.exec() == 0;
}

void SelectRow(QTableView* list, int row)
{
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
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
    if (!WaitForRows(dialog.DeviceModel(), rows)) {
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
    if (!dialog.grab().save(output)) {
        std::fprintf(stderr, "quenlo-screenshot: cannot write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    return ScreenshotMain(argc, argv, "png", [&](const char* output) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return TakeScreenshot(QString::fromLocal8Bit(output));
    });
}
