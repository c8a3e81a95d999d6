// Texts of the string table, which every front end loads from its own resources, and the one way
// their placeholders are filled.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

// The text of the string-table entry id, empty when there is none.
using StringLoader = std::function<std::u16string(int id)>;

// The pattern with %1 to %9 replaced by the arguments; a placeholder without an argument stays
// as it is, and an argument is never read as a pattern.
std::u16string FormatText(std::u16string_view pattern,
                          std::initializer_list<std::u16string_view> arguments);

// Text of plain ASCII, such as a number or an address, as wide text.
std::u16string AsciiText(std::string_view text);

// UTF-8 text, such as a network card's name as the system gives it, as wide text; a byte that
// begins no whole character becomes U+FFFD.
std::u16string Utf8Text(std::string_view text);
