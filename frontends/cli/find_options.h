// The command line of quenlo-find.
#pragma once

#include "device_output.h"

#include <optional>
#include <string>

constexpr const char* FIND_PROGRAM = "quenlo-find";

struct FindOptions {
    // None: three seconds, or with watch until interrupted.
    std::optional<double> seconds;
    std::optional<int> count;
    // None: a table on a terminal, tab-separated values otherwise.
    std::optional<OutputFormat> format;
    bool excel = false;
    bool raw = false;
    bool verbose = false;
    // Keep searching and write each event as it happens.
    bool watch = false;
    // The network cards the search used, instead of the devices.
    bool interfaces = false;
    // The cards to search through and listen on, in the order given; none: every card.
    CardNames cards;
    // The address plan file to check the devices against, reporting each one's verdict.
    std::optional<std::string> plan;
};

struct FindCommandLine {
    FindOptions options;
    // What --help or --version asks to be printed instead of searching.
    std::string text;
    // Empty when the command line is good.
    std::string error;
};

// Parses the program's whole command line.
FindCommandLine ParseFindCommandLine(int argc, const char* const* argv);
