#include "ansi_text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#endif

#include <cstddef>
#include <utility>

namespace {

constexpr char16_t REPLACEMENT = u'\uFFFD';

void AppendCodePoint(std::u16string& out, char32_t c)
{
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    }
}

} // namespace

bool DecodeUtf8(std::string_view bytes, std::u16string* out)
{
    std::u16string text;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length;
        char32_t c;
        char32_t least;
        if (lead < 0x80) {
            length = 1, c = lead, least = 0;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, c = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, c = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, c = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + length > bytes.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not UTF-8.
        if (c < least || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            return false;
        AppendCodePoint(text, c);
        i += length;
    }
    *out = std::move(text);
    return true;
}

#ifdef _WIN32

namespace {

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

std::u16string DecodeAnsi(std::string_view bytes)
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

#else

namespace {

// GB18030 through iconv into UTF-16LE; an invalid or cut-off byte becomes U+FFFD and decoding
// goes on after it.
std::u16string DecodeGb18030(std::string_view bytes)
{
    std::u16string text;
    const iconv_t cd = ::iconv_open("UTF-16LE", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        text.assign(bytes.size(), REPLACEMENT);
        return text;
    }
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char chunk[256];
        char* out = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t done = ::iconv(cd, &in, &inLeft, &out, &outLeft);
        const int error = done == static_cast<std::size_t>(-1) ? errno : 0;
        for (const char* p = chunk; p + 1 < out; p += 2)
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0])
                                                 | static_cast<unsigned char>(p[1]) << 8));
        if (error == EILSEQ || error == EINVAL) {
            text.push_back(REPLACEMENT);
            ++in;
            --inLeft;
            ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
        } else if (error != 0 && error != E2BIG) {
            text.append(inLeft, REPLACEMENT);
            break;
        }
    }
    ::iconv_close(cd);
    return text;
}

} // namespace

std::u16string DecodeAnsi(std::string_view bytes)
{
    std::u16string text;
    if (DecodeUtf8(bytes, &text))
        return text;
    return DecodeGb18030(bytes);
}

#endif
