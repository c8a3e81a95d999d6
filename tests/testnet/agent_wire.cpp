#include "agent_wire.h"

#include <cstddef>
#include <stdexcept>

namespace testnet {

namespace {

constexpr char HEX_DIGITS[] = "0123456789abcdef";

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    throw std::invalid_argument("not a hexadecimal digit in an agent message");
}

} // namespace

std::string EncodeAgentMessage(const AgentMessage& message)
{
    std::string line;
    for (const std::string& field : message) {
        if (!line.empty())
            line.push_back(' ');
        for (const char c : field) {
            const auto byte = static_cast<unsigned char>(c);
            line.push_back(HEX_DIGITS[byte >> 4]);
            line.push_back(HEX_DIGITS[byte & 0xF]);
        }
    }
    line.push_back('\n');
    return line;
}

AgentMessage DecodeAgentMessage(std::string_view line)
{
    AgentMessage message(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ' ') {
            message.emplace_back();
            continue;
        }
        if (i + 1 >= line.size())
            throw std::invalid_argument("an agent message ends in half a byte");
        message.back().push_back(static_cast<char>(HexValue(line[i]) << 4 | HexValue(line[i + 1])));
        ++i;
    }
    if (message.front().empty())
        throw std::invalid_argument("an agent message without a verb");
    return message;
}

} // namespace testnet
