// Takes the README's screenshot: the real window listing devices that simulators play in the
// private test network. Runs only through tests/testnet/testnet.sh:
//
//   quenlo-screenshot OUTPUT.png
#include "device_list_model.h"
#include "netns_guard.h"
#include "quenlo_dlg.h"
#include "search_worker.h"
#include "testnet.h"

#include <QApplication>
#include <QEventLoop>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int WATCHDOG_MS = 20000;

struct Devices {
    const char* host;
    int count;
    std::vector<std::string> options;
};

// Enough devices for the list to scroll, on both LANs, and two new devices still at the same
// factory address outside both subnets. The delays keep the rows in this order from one run to
// the next.
const std::vector<Devices> DEVICES = {
    {"a1", 8, {"--ip", "10.60.1.101", "--mac", "02:4E:51:3C:1F:01", "--chn", "前门{n}", "--gbk",
               "--version", "V2.3.{n}"}},
    {"a1", 1, {"--ip", "10.60.1.130", "--mac", "02:4E:51:3C:1F:10", "--chn", "Lobby", "--port",
               "8080", "--version", "V3.0.2", "--delay", "150"}},
    {"b1", 12, {"--ip", "10.60.2.31", "--mac", "02:4E:51:3C:6F:01", "--chn", "仓库{n}", "--port",
                "8000", "--version", "V1.8.{n}", "--delay", "300"}},
    {"b1", 1, {"--ip", "10.60.2.9", "--mac", "02:4E:51:3C:6F:20", "--chn", "停车场", "--port",
               "554", "--version", "V4.0.0", "--delay", "450"}},
    {"f1", 1, {"--ip", "192.168.1.64", "--mac", "02:4E:51:3C:7F:01", "--chn", "新设备",
               "--broadcast-reply", "--version", "V1.0.0", "--delay", "600"}},
    {"f1", 1, {"--ip", "192.168.1.64", "--mac", "02:4E:51:3C:7F:02", "--chn", "新设备",
               "--broadcast-reply", "--version", "V1.0.0", "--delay", "700"}},
};

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
    int rows = 0;
    for (const Devices& devices : DEVICES) {
        std::vector<std::string> options{"--count", std::to_string(devices.count)};
        options.insert(options.end(), devices.options.begin(), devices.options.end());
        simulators.push_back(
            std::make_unique<testnet::DevSim>(testnet::TestHost(devices.host), options));
        rows += devices.count;
    }

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
    // Sorted by address, as someone looking for one device among many does.
    dialog.OnColumnClick(COL_IP);
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
    RequirePrivateNetwork(argv[0]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        return TakeScreenshot(QString::fromLocal8Bit(argv[1]));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quenlo-screenshot: %s\n", error.what());
        return 1;
    }
}
