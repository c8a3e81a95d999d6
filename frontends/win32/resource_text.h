// Texts of the program's string table, and the system's texts for its error codes.
#pragma once

#include <string>

// The string with that identifier; empty when there is none.
std::wstring LoadResourceString(unsigned id);

// The system's text for an error code, without its line break; the number where it has none.
std::wstring SystemErrorText(unsigned long error);

// Windows' wide text as the shared layer's UTF-16 text.
inline std::u16string Utf16(const std::wstring& text)
{
    return std::u16string(text.begin(), text.end());
}
