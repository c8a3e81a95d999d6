#include "agent_wire.h"
#include "testnet.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <exception>
#include <stdexcept>

namespace testnet {

namespace {

// The connection to the agent, opened at first use and kept for the process's life.
SOCKET AgentConnection()
{
    static const SOCKET connection = [] {
        const char* address = std::getenv(AGENT_ADDRESS_VARIABLE);
        const std::string text = address ? address : "";
        const std::size_t colon = text.rfind(':');
        if (colon == std::string::npos)
            throw std::runtime_error(std::string(AGENT_ADDRESS_VARIABLE)
                                     + " is not set: run this test through winerun.sh --agent");
        sockaddr_in agent{};
        agent.sin_family = AF_INET;
        agent.sin_addr.s_addr = htonl(ParseAddress(text.substr(0, colon)));
        agent.sin_port = htons(static_cast<u_short>(std::stoi(text.substr(colon + 1))));
        const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET
            || ::connect(s, reinterpret_cast<const sockaddr*>(&agent), sizeof agent) != 0)
            throw std::runtime_error("cannot reach the test network's agent at " + text);
        return s;
    }();
    return connection;
}

// Sends request and returns the answer's fields after AGENT_OK; throws when the agent failed.
AgentMessage Ask(const AgentMessage& request)
{
    const SOCKET s = AgentConnection();
    const std::string line = EncodeAgentMessage(request);
    if (::send(s, line.data(), static_cast<int>(line.size()), 0) != static_cast<int>(line.size()))
        throw std::runtime_error("the test network's agent is gone");
    static std::string received;
    std::size_t end;
    while ((end = received.find('\n')) == std::string::npos) {
        char chunk[4096];
        const int n = ::recv(s, chunk, sizeof chunk, 0);
        if (n <= 0)
            throw std::runtime_error("the test network's agent is gone");
        received.append(chunk, static_cast<std::size_t>(n));
    }
    AgentMessage message = DecodeAgentMessage(std::string_view(received).substr(0, end));
    received.erase(0, end + 1);
    if (message.front() != AGENT_OK)
        throw std::runtime_error(request.front() + ": "
                                 + (message.size() > 1 ? message[1] : std::string()));
    message.erase(message.begin());
    return message;
}

} // namespace

Probe::Probe(const Host& host, std::uint16_t port)
    : id_(std::stoi(Ask({AGENT_OPEN_PROBE, host.ns, std::to_string(port)}).at(0)))
{
}

Probe::~Probe()
{
    try {
        Ask({AGENT_CLOSE_PROBE, std::to_string(id_)});
    } catch (const std::exception&) {
        // the agent ends every probe when this process goes
    }
}

std::vector<Datagram> Probe::Collect(std::chrono::milliseconds window)
{
    const AgentMessage answer =
        Ask({AGENT_COLLECT, std::to_string(id_), std::to_string(window.count())});
    std::vector<Datagram> seen;
    for (std::size_t i = 0; i + 1 < answer.size(); i += 2)
        seen.push_back({{answer[i + 1].begin(), answer[i + 1].end()}, answer[i]});
    return seen;
}

void Probe::SendTo(const std::vector<unsigned char>& bytes, const std::string& address,
                   std::uint16_t port)
{
    Ask({AGENT_SEND, std::to_string(id_), std::string(bytes.begin(), bytes.end()), address,
         std::to_string(port)});
}

DevSim::DevSim(const Host& host, const std::vector<std::string>& arguments)
{
    AgentMessage request{AGENT_START_DEVSIM, host.ns};
    request.insert(request.end(), arguments.begin(), arguments.end());
    id_ = std::stoi(Ask(request).at(0));
}

DevSim::~DevSim()
{
    try {
        Terminate();
    } catch (const std::exception&) {
        // the agent ends every simulator when this process goes
    }
}

int DevSim::Terminate()
{
    if (id_ < 0)
        return -1;
    const int id = id_;
    id_ = -1;
    return std::stoi(Ask({AGENT_TERMINATE, std::to_string(id)}).at(0));
}

} // namespace testnet
