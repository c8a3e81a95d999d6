#include "screenshot_devices.h"

#include "netns_guard.h"

#include <cstdio>
#include <exception>
#include <string>

namespace {

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

} // namespace

int StartScreenshotDevices(std::vector<std::unique_ptr<testnet::DevSim>>& simulators)
{
    int rows = 0;
    for (const Devices& devices : DEVICES) {
        std::vector<std::string> options{"--count", std::to_string(devices.count)};
        options.insert(options.end(), devices.options.begin(), devices.options.end());
        simulators.push_back(
            std::make_unique<testnet::DevSim>(testnet::TestHost(devices.host), options));
        rows += devices.count;
    }
    return rows;
}

int ScreenshotMain(int argc, char** argv, const char* extension,
                   const std::function<int(const char* output)>& take)
{
    RequirePrivateNetwork(argv[0]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.%s\n", argv[0], extension);
        return 2;
    }
    try {
        return take(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quenlo-screenshot: %s\n", error.what());
        return 1;
    }
}
