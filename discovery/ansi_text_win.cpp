#include "ansi_text.h"

#include <windows.h>

#include <cstddef>

namespace {

constexpr char16_t REPLACEMENT = u'\uFFFD';

// The longest character of any ANSI code page, in bytes.
constexpr std::size_t LONGEST_CHARACTER = 4;

// The Chinese code page, GBK.
constexpr UINT GBK_CODE_PAGE = 936;

// The bytes through a code page; false when any of them is invalid there.
bool DecodeStrictly(UINT codePage, std::string_view bytes, std::u16string* out)
{
    const int size = static_cast<int>(bytes.size());
    const int needed =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (needed <= 0)
        return false;
    out->resize(static_cast<std::size_t>(needed));
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size,
                          reinterpret_cast<wchar_t*>(out->data()), needed);
    return true;
}

// Bytes through a code page: each character is the shortest run of bytes the code page accepts,
// and a byte that begins none is U+FFFD.
std::u16string Decode(UINT codePage, std::string_view bytes)
{
    std::u16string text;
    if (bytes.empty() || DecodeStrictly(codePage, bytes, &text))
        return text;
    // The system would turn a bad byte into '?' and take the byte after it along.
    text.clear();
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::u16string character;
        std::size_t length = 1;
        while (length <= LONGEST_CHARACTER && i + length <= bytes.size()
               && !DecodeStrictly(codePage, bytes.substr(i, length), &character))
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

} // namespace

std::u16string DecodeCodePage(std::string_view bytes)
{
    return Decode(CP_ACP, bytes);
}

std::u16string DecodeGbk(std::string_view bytes)
{
    return Decode(GBK_CODE_PAGE, bytes);
}
