// What Copy puts on the clipboard: lines a spreadsheet pastes as a table and never runs.
#pragma once

#include "device_rows.h"

#include <string>
#include <string_view>
#include <vector>

// A cell's text without the blank the worker puts after every text.
std::u16string_view WithoutCellBlank(std::u16string_view cell);

// The text with an apostrophe before a leading = + - or @, so that no spreadsheet runs it.
std::u16string SpreadsheetSafe(std::u16string text);

// A cell's text for the clipboard: without the cell's trailing blank, tabs and line breaks as
// blanks, other hidden characters made visible, and an apostrophe before a leading = + - or @.
std::u16string ClipboardCell(std::u16string_view cell);

// The rows at positions, in that order, one line each with the cells in column order separated
// by tabs, after a line of the columns' headings when asked for. Lines end in a line feed.
std::u16string ClipboardRows(const DeviceRows& rows, const std::vector<int>& positions,
                             bool headings = false);
