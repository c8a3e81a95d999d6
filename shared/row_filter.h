// Which rows the list shows while the operator narrows it down by a text.
#pragma once

#include "device_rows.h"

#include <string_view>

// Whether a row's texts, as the list shows them, contain filter in any column, Latin letters of
// either case alike. A filter of hex digits and MAC separators (- and :) alone also finds the MAC
// with or without its separators. Blanks around filter do not count, so an empty filter matches
// every row.
bool RowMatches(const RowCells& cells, std::u16string_view filter);
