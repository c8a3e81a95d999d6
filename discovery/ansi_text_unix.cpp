#include "ansi_text.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>

namespace {

constexpr char16_t REPLACEMENT = u'\uFFFD';

} // namespace

// GB18030 through iconv into UTF-16LE; an invalid or cut-off byte becomes U+FFFD and decoding
// goes on after it.
std::u16string DecodeCodePage(std::string_view bytes)
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

std::u16string DecodeGbk(std::string_view bytes)
{
    return DecodeCodePage(bytes);
}
