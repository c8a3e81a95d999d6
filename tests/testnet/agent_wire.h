// How a Windows test under Wine and the test network's agent talk: one line per request and per
// answer, its fields separated by blanks, each field as hexadecimal bytes so that any text or
// datagram fits.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testnet {

// Where the agent listens, "127.0.0.1:PORT", in the environment of the program it runs.
constexpr const char* AGENT_ADDRESS_VARIABLE = "QUENLO_TESTNET_AGENT";

// Requests, with their fields after the verb, and what the answer carries after AGENT_OK.
constexpr const char* AGENT_START_DEVSIM = "devsim"; // NAMESPACE ARGUMENT... -> ID
constexpr const char* AGENT_TERMINATE = "terminate"; // ID -> EXIT-STATUS
constexpr const char* AGENT_OPEN_PROBE = "probe";    // NAMESPACE PORT -> ID
constexpr const char* AGENT_COLLECT = "collect";     // ID MILLISECONDS -> (FROM BYTES)...
constexpr const char* AGENT_SEND = "send";           // ID BYTES ADDRESS PORT ->
constexpr const char* AGENT_CLOSE_PROBE = "close";   // ID ->
constexpr const char* AGENT_OK = "ok";
constexpr const char* AGENT_FAILED = "failed"; // WHY

using AgentMessage = std::vector<std::string>;

// The line of a message, '\n' included.
std::string EncodeAgentMessage(const AgentMessage& message);

// The message of a line without its '\n'; throws std::invalid_argument when it is none.
AgentMessage DecodeAgentMessage(std::string_view line);

} // namespace testnet
