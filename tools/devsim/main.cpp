#include "bc_protocol.h"
#include "device_records.h"
#include "device_simulator.h"
#include "devsim_options.h"
#include "netns_guard.h"

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

int main(int argc, char** argv)
{
    DevsimCommandLine commandLine =
        ParseDevsimCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (commandLine.showHelp) {
        std::fputs(DevsimUsage().c_str(), stdout);
        return 0;
    }
    std::string error = commandLine.error;
    std::optional<std::vector<DeviceRecord>> devices;
    if (error.empty())
        devices = BuildDeviceRecords(commandLine.options, &error);
    if (!devices) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", DEVSIM_PROGRAM, error.c_str(),
                     DEVSIM_PROGRAM);
        return 2;
    }

    RequirePrivateNetwork(DEVSIM_PROGRAM);
    const int count = commandLine.options.count;
    DeviceSimulator simulator(std::move(commandLine.options), std::move(*devices));
    if (!simulator.Open())
        return 1;
    std::printf("%s: playing %d device(s) on port %u\n", DEVSIM_PROGRAM, count,
                static_cast<unsigned>(BC_SEARCH_PORT));
    std::fflush(stdout);
    return simulator.Run();
}
