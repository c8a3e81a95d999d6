// What reading an address plan costs for the largest plans the programs accept: each a file of
// MAX_PLAN_BYTES made to cost the most it can, or the most devices a plan may plan, read from disk
// and parsed as every front end does it, in a child process of its own. Its time is the read and
// the parse; its memory the child's peak resident size as the system counts it, beside the same
// for a plan of a heading alone, the floor of a process that reads any plan. Opens no socket
// (make bench):
//
//   bench_plan [--quick]
#include "address_plan.h"
#include "plan_file.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Case {
    const char* name;
    std::string heading;
    // The text repeated after the heading, by its index, until the file has its size, the last
    // one cut to fit; or only `count` times, when that is not 0.
    std::function<std::string(std::size_t)> unit;
    std::size_t count = 0;
};

// The measures of one read, sent from the child.
struct Reading {
    double ms = 0;
    PlanError error = PlanError::None;
    std::size_t devices = 0;
    std::size_t skipped = 0;
};

std::string Mac(std::size_t index)
{
    char text[18];
    std::snprintf(text, sizeof text, "02:4e:51:%02zx:%02zx:%02zx", index >> 16 & 0xFF,
                  index >> 8 & 0xFF, index & 0xFF);
    return text;
}

std::vector<Case> Cases(std::size_t mostDevices)
{
    const auto same = [](std::string text) {
        return [text](std::size_t) { return text; };
    };
    return {
        {"heading only (the floor)", "mac,chn,ip,port,gateway\n", same(""), 1},
        {"x lines, each skipped", "mac\n", same("x\n")},
        {"one line of commas", "mac,ip\n", same(",")},
        {"one line of x fields", "mac,ip\n", same("x,")},
        {"one field", "mac\n", same("x")},
        {"one heading", "", same("x")},
        {"quotes everywhere", "mac,chn\n", same("\"\"\"\",\"a\"\"b\"\n")},
        {"a quote never closed, then x lines", "mac\n\"\n", same("x\n")},
        {"GBK lines, each skipped", "mac\n", same("\xC3\xC5\n")},
        {"MAC lines (refused)", "mac\n", [](std::size_t i) { return Mac(i) + "\n"; }},
        {"the most devices, every field", "mac,chn,ip,port,gateway\n",
         [](std::size_t i) {
             return Mac(i) + ",\xE5\x89\x8D\xE9\x97\xA8" + std::to_string(i) + ",10.60."
                    + std::to_string(i >> 8 & 0xFF) + "." + std::to_string(i & 0xFF)
                    + ",80,10.60.0.1\n";
         },
         mostDevices},
    };
}

// Writes the case's file a piece at a time, so that the parent stays small for its children.
std::size_t WriteCase(const Case& c, std::size_t size, const std::filesystem::path& path)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::size_t written = std::fwrite(c.heading.data(), 1, c.heading.size(), file);
    for (std::size_t i = 0; c.count == 0 ? written < size : i < c.count; ++i) {
        const std::string unit = c.unit(i);
        const std::size_t part = c.count == 0 ? std::min(unit.size(), size - written) : unit.size();
        written += std::fwrite(unit.data(), 1, part, file);
    }
    std::fclose(file);
    return written;
}

// Reads the plan in a child process; its time and what it read, and its peak resident size.
Reading ReadInChild(const std::filesystem::path& path, long& peakKib)
{
    int channel[2];
    if (::pipe(channel) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const Clock::time_point start = Clock::now();
        const PlanFileBytes file = ReadPlanBytes(path);
        const PlanReading plan = ReadAddressPlan(file.bytes);
        Reading reading;
        reading.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        reading.error = plan.error;
        reading.devices = plan.plan.Devices().size();
        reading.skipped = plan.skipped;
        const bool sent = ::write(channel[1], &reading, sizeof reading) == sizeof reading;
        ::_exit(sent && file.outcome == PlanFileBytes::Outcome::Read ? 0 : 1);
    }
    ::close(channel[1]);
    Reading reading;
    const bool got = ::read(channel[0], &reading, sizeof reading) == sizeof reading;
    ::close(channel[0]);
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child || !WIFEXITED(status)
        || WEXITSTATUS(status) != 0 || !got) {
        std::fprintf(stderr, "bench_plan: the child reading %s failed\n", path.c_str());
        std::exit(1);
    }
    peakKib = usage.ru_maxrss;
    return reading;
}

std::string Outcome(const Reading& reading)
{
    switch (reading.error) {
    case PlanError::None:
        return std::to_string(reading.devices) + " devices, " + std::to_string(reading.skipped)
               + " lines skipped";
    case PlanError::TooManyDevices:
        return "no plan: more than " + std::to_string(MAX_PLANNED_DEVICES) + " devices";
    case PlanError::NoMacColumn:
        return "no plan: no MAC column";
    default:
        return "no plan";
    }
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PrintLoad(const char* when)
{
    double load[3] = {};
    if (::getloadavg(load, 3) == 3)
        std::printf("load average %s: %.2f %.2f %.2f\n", when, load[0], load[1], load[2]);
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int runs = quick ? 1 : 3;
    const std::size_t size = quick ? 64 * 1024 : MAX_PLAN_BYTES;
    const std::size_t mostDevices = quick ? 100 : MAX_PLANNED_DEVICES;

    std::string folder = (std::filesystem::temp_directory_path() / "bench_plan.XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path path = std::filesystem::path(folder) / "plan.csv";

    PrintLoad("before");
    std::printf("%-36s %10s %10s %12s  %s\n", "plan", "size (KiB)", "read (ms)", "peak (KiB)",
                "read as");
    for (const Case& c : Cases(mostDevices)) {
        const std::size_t written = WriteCase(c, size, path);
        std::vector<double> times;
        long peak = 0;
        Reading reading;
        for (int run = 0; run < runs; ++run) {
            long runPeak = 0;
            reading = ReadInChild(path, runPeak);
            times.push_back(reading.ms);
            peak = std::max(peak, runPeak);
        }
        std::printf("%-36s %10zu %10.1f %12ld  %s\n", c.name, written / 1024, Median(times), peak,
                    Outcome(reading).c_str());
        std::fflush(stdout);
    }
    PrintLoad("after");
    std::filesystem::remove_all(folder);
    return 0;
}
