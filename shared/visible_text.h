// Device texts as the operator may see them: nothing a device sends may hide or disguise itself.
#pragma once

#include <string>
#include <string_view>

// The text with every control, format, line-separator and paragraph-separator character (Unicode
// categories Cc, Cf, Zl, Zp) made visible: C0 controls and DEL become their Control Pictures
// symbols (U+2400-U+2421), every other such character, and any unpaired surrogate, becomes
// U+FFFD. Everything else, the cell's trailing blank included, stays as it is.
std::u16string VisibleText(std::u16string_view text);
