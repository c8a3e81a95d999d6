// The one reading of an IPv4 address and a decimal number in a device's text or a list cell, used
// wherever the program decides whether a text is an address: the mark, the sort, the web page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The value of one to maxDigits decimal digits, leading zeros allowed, nothing else; no blanks.
std::optional<std::uint32_t> ParseDecimal(std::u16string_view text, std::size_t maxDigits);

// The number of a port: one to five decimal digits, 0 to 65535, leading zeros allowed; no blanks.
std::optional<std::uint32_t> ParsePort(std::u16string_view text);

// The address (host order) of a dotted quad, after TrimBlanks: four parts of one to three decimal
// digits, each 0 to 255. Leading zeros are read as decimal ("010" is 10), as every front end
// shows and opens the address; anything else is no address.
std::optional<std::uint32_t> ParseIpv4(std::u16string_view text);
// The same for a device's narrow text; bytes outside ASCII make it no address.
std::optional<std::uint32_t> ParseIpv4(std::string_view text);

// An IPv4 address (host order) as dotted decimal text, without leading zeros.
std::string FormatIpv4(std::uint32_t address);
