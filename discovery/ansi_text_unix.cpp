#include "ansi_text.h"

#include <iconv.h>

#include <bit>
#include <cerrno>
#include <cstddef>

namespace {

constexpr char16_t REPLACEMENT = u'\uFFFD';

} // namespace

// GB18030 through iconv into UTF-16; an invalid or cut-off byte becomes U+FFFD and decoding goes
// on after it. No byte makes more than one unit, nor a four-byte character more than two, so the
// text is written in place, in one call for all valid bytes: iconv costs microseconds a call.
std::u16string DecodeCodePage(std::string_view bytes)
{
    std::u16string text(bytes.size(), REPLACEMENT);
    const iconv_t cd =
        ::iconv_open(std::endian::native == std::endian::big ? "UTF-16BE" : "UTF-16LE", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return text;
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* const start = reinterpret_cast<char*>(text.data());
    char* out = start;
    std::size_t outLeft = text.size() * sizeof(char16_t);
    constexpr std::size_t FAILED = static_cast<std::size_t>(-1);
    while (inLeft > 0 && ::iconv(cd, &in, &inLeft, &out, &outLeft) == FAILED) {
        if (errno != EILSEQ && errno != EINVAL) {
            // The rest stays U+FFFD, a unit for each byte.
            out += inLeft * sizeof(char16_t);
            break;
        }
        // The unit here already holds U+FFFD.
        out += sizeof(char16_t);
        outLeft -= sizeof(char16_t);
        ++in;
        --inLeft;
        ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    ::iconv_close(cd);
    text.resize(static_cast<std::size_t>(out - start) / sizeof(char16_t));
    return text;
}

std::u16string DecodeGbk(std::string_view bytes)
{
    return DecodeCodePage(bytes);
}
