// The found devices as text: a table to read, or tsv, csv or JSON lines for scripts.
#pragma once

#include "device_search.h"
#include "find_options.h"

#include <string>
#include <vector>

struct OutputStyle {
    OutputFormat format = OutputFormat::Tsv;
    // Each field's bytes in hex as well.
    bool raw = false;
    // A UTF-8 byte order mark first, for spreadsheet programs (csv).
    bool excel = false;
};

// Every device in first-heard order, UTF-8. Device texts are the cells' texts without their
// trailing blank.
std::string FormatDevices(const std::vector<FoundDevice>& devices, const OutputStyle& style);
