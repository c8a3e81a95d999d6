// The blanks around device and plan texts.
#pragma once

#include <string_view>

// The text without the blanks (U+0020) at either end: the one every cell ends with, and any
// padding a device sends. Tabs and other spaces are kept, so that a text holding them is read as
// what it shows, not as an address.
std::u16string_view TrimBlanks(std::u16string_view text);
