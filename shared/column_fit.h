// How the list's columns share its visible width.
#pragma once

#include "search_worker.h"

#include <array>

using ColumnWidths = std::array<int, COL_COUNT>;

// Widths for the columns within available pixels, given the width each needs to show its widest
// text and heading whole. MAC, IP, port and gateway always get what they need; the channel name
// and the version share the rest: the narrower of the two gets what it needs, up to half of it.
// When both fit, the two share what is left over evenly, so the columns fill the width and the
// addresses stay near the names.
ColumnWidths FitColumns(int available, const ColumnWidths& needed);
