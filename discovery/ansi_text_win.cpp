#include "ansi_text.h"

#include <windows.h>

#include <cstddef>

namespace {

constexpr char16_t REPLACEMENT = u'\uFFFD';

// The longest character of any ANSI code page, in bytes.
constexpr std::size_t LONGEST_CHARACTER = 4;

// The bytes through the ANSI code page; false when any of them is invalid there.
bool DecodeStrictly(std::string_view bytes, std::u16string* out)
{
    const int size = static_cast<int>(bytes.size());
    const int needed =
        ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (needed <= 0)
        return false;
    out->resize(static_cast<std::size_t>(needed));
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size,
                          reinterpret_cast<wchar_t*>(out->data()), needed);
    return true;
}

} // namespace

std::u16string DecodeCodePage(std::string_view bytes)
{
    std::u16string text;
    if (bytes.empty() || DecodeStrictly(bytes, &text))
        return text;
    // The system would turn a bad byte into '?' and take the byte after it along; instead each
    // character is the shortest run of bytes the code page accepts, and a byte that begins
    // none is U+FFFD.
    text.clear();
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::u16string character;
        std::size_t length = 1;
        while (length <= LONGEST_CHARACTER && i + length <= bytes.size()
               && !DecodeStrictly(bytes.substr(i, length), &character))
            ++length;
        if (length > LONGEST_CHARACTER || i + length > bytes.size()) {
            text.push_back(REPLACEMENT);
            ++i;
        } else {
            text += character;
            i += length;
        }
    }
    return text;
}
