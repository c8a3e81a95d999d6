// Decoding of the narrow texts devices send into the UTF-16 text the window shows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// UTF-8 when the bytes are valid UTF-8 and not plain ASCII; otherwise the legacy code page
// (DecodeCodePage). Bytes that cannot be decoded become U+FFFD.
std::u16string DecodeAnsi(std::string_view bytes);

// The platform's half: on Windows the system's ANSI code page, elsewhere GB18030 (the superset of
// the Chinese code page devices use).
std::u16string DecodeCodePage(std::string_view bytes);

// GBK, the Chinese code page, whatever code page the system uses; bytes that cannot be decoded
// become U+FFFD.
std::u16string DecodeGbk(std::string_view bytes);

// The bytes as UTF-16 when they are valid UTF-8; false otherwise.
bool DecodeUtf8(std::string_view bytes, std::u16string* out);

// A decoding of narrow text into UTF-16.
using TextDecoder = std::u16string (*)(std::string_view bytes);

// Each text the bytes may be meant as, each once: UTF-8 when they are valid UTF-8, GBK, and what
// codePage, the system's code page, makes of them. DecodeAnsi shows one of them; which one
// depends on the system's code page.
std::vector<std::u16string> EveryDecoding(std::string_view bytes,
                                          TextDecoder codePage = DecodeCodePage);
