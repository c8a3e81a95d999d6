// The found devices as text: a table to read, or tsv, csv or JSON lines for scripts.
#pragma once

#include "device_search.h"
#include "find_options.h"

#include <string>
#include <string_view>
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

// What --watch writes before its first event: the heading line of csv, nothing otherwise.
std::string FormatEventHeading(const OutputStyle& style);
// One event as one line: its name ("new", "changed", "silent", "back", "full"), then the device
// as its latest reply carried it; a table is written as tsv is, since later lines cannot be
// aligned with earlier ones. In JSON a changed device's earlier texts are under "listed".
std::string FormatEvent(const SearchEvent& event, const OutputStyle& style);

// UTF-16 text as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8Text(std::u16string_view text);

// The name quenlo-find gives a column: chn, version, ip, port, gateway, mac.
const char* FieldName(int column);

// The name of an event's kind.
const char* EventName(SearchEvent::Kind kind);
