#include "ansi_text.h"

#include <algorithm>
#include <cstddef>
#include <utility>

bool DecodeUtf8(std::string_view bytes, std::u16string* out)
{
    // Never more units than bytes: the text is written in place and cut to its length at the end,
    // which keeps a whole plan file quick to decode.
    std::u16string text(bytes.size(), u'\0');
    char16_t* unit = text.data();
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length;
        char32_t c;
        char32_t least;
        if (lead < 0x80) {
            *unit++ = lead;
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
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
        if (c < 0x10000) {
            *unit++ = static_cast<char16_t>(c);
        } else {
            c -= 0x10000;
            *unit++ = static_cast<char16_t>(0xD800 + (c >> 10));
            *unit++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        }
        i += length;
    }
    text.resize(static_cast<std::size_t>(unit - text.data()));
    *out = std::move(text);
    return true;
}

std::u16string DecodeAnsi(std::string_view bytes)
{
    // A text that is valid UTF-8 and holds more than ASCII is hardly ever meant as anything else;
    // reading it through the code page would show a correct name garbled.
    const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    std::u16string text;
    if (!ascii && DecodeUtf8(bytes, &text))
        return text;
    return DecodeCodePage(bytes);
}

std::vector<std::u16string> EveryDecoding(std::string_view bytes, TextDecoder codePage)
{
    std::vector<std::u16string> texts;
    const auto add = [&texts](std::u16string text) {
        if (std::find(texts.begin(), texts.end(), text) == texts.end())
            texts.push_back(std::move(text));
    };
    if (std::u16string utf8; DecodeUtf8(bytes, &utf8))
        add(std::move(utf8));
    add(DecodeGbk(bytes));
    add(codePage(bytes));
    return texts;
}
