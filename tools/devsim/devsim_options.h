// The simulator's command line: what it plays and how it answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr const char* DEVSIM_PROGRAM = "quenlo-devsim";

constexpr int DEVSIM_MAX_COUNT = 10000;
constexpr int DEVSIM_MAX_DELAY_MS = 3600000;

// Ways the replies can be damaged on purpose.
struct DevsimFaults {
    bool unknownCommand = false;
    bool ignoreCommand = false;
    std::optional<std::size_t> shortLength;
    std::optional<std::size_t> oversizedLength;
    int copies = 1;
    bool longVersion = false;
};

// Texts are kept as given; device records are made from them by BuildDeviceRecords.
struct DevsimOptions {
    int count = 1;
    std::string mac = "00:11:22:33:44:01";
    std::string ip = "192.168.1.64";
    std::optional<std::string> gateway;
    std::string port = "80";
    std::string chn = "CH{n}";
    bool gbk = false;
    std::string version = "V1.0.0";
    bool broadcastReply = false;
    int delayMs = 0;
    int jitterMs = 0;
    std::optional<std::uint64_t> seed;
    DevsimFaults faults;
    bool verbose = false;
};

struct DevsimCommandLine {
    DevsimOptions options;
    bool showHelp = false;
    std::string error; // empty when the command line is good
};

// Parses the arguments that follow the program name.
DevsimCommandLine ParseDevsimCommandLine(const std::vector<std::string>& arguments);

std::string DevsimUsage();
