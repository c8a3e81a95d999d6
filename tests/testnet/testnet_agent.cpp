#include "testnet_agent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <charconv>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace testnet {

namespace {

// How often the child's end is looked for while no request comes.
constexpr int CHILD_POLL_MS = 100;

constexpr const char* HOST_NAMES[] = {"pc", "a1", "a2", "b1", "f1", "empty"};

void SendAll(int fd, const std::string& bytes)
{
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
}

} // namespace

TestnetAgent::TestnetAgent()
    : listener_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0
        || ::bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(listener_, 1) != 0
        || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener_ >= 0)
            ::close(listener_);
        throw std::runtime_error("the agent cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
}

TestnetAgent::~TestnetAgent()
{
    EndAll();
    ::close(listener_);
}

std::string TestnetAgent::Address() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

int TestnetAgent::ServeUntilExit(pid_t child)
{
    int connection = -1;
    std::string pending;
    for (;;) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) {
            if (connection >= 0)
                ::close(connection);
            EndAll();
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        pollfd p{connection >= 0 ? connection : listener_, POLLIN, 0};
        if (::poll(&p, 1, CHILD_POLL_MS) <= 0)
            continue;
        if (connection < 0) {
            connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            continue;
        }
        char chunk[4096];
        const ssize_t n = ::read(connection, chunk, sizeof chunk);
        if (n <= 0) {
            ::close(connection);
            connection = -1;
            pending.clear();
            EndAll();
            continue;
        }
        pending.append(chunk, static_cast<std::size_t>(n));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;
             pending.erase(0, end + 1)) {
            AgentMessage answer;
            try {
                answer = Answer(DecodeAgentMessage(std::string_view(pending).substr(0, end)));
            } catch (const std::exception& e) {
                answer = {AGENT_FAILED, e.what()};
            }
            SendAll(connection, EncodeAgentMessage(answer));
        }
    }
}

AgentMessage TestnetAgent::Answer(const AgentMessage& request)
{
    const std::string& verb = request.at(0);
    try {
        if (verb == AGENT_START_DEVSIM && request.size() >= 2) {
            const std::vector<std::string> arguments(request.begin() + 2, request.end());
            auto devsim = std::make_unique<DevSim>(HostIn(request[1]), arguments);
            devsims_[nextId_] = std::move(devsim);
            return {AGENT_OK, std::to_string(nextId_++)};
        }
        if (verb == AGENT_TERMINATE && request.size() == 2) {
            const auto devsim = devsims_.find(Number(request[1]));
            if (devsim == devsims_.end())
                return {AGENT_FAILED, "no such simulator"};
            const int status = devsim->second->Terminate();
            devsims_.erase(devsim);
            return {AGENT_OK, std::to_string(status)};
        }
        if (verb == AGENT_OPEN_PROBE && request.size() == 3) {
            auto probe = std::make_unique<Probe>(HostIn(request[1]),
                                                 static_cast<std::uint16_t>(Number(request[2])));
            probes_[nextId_] = std::move(probe);
            return {AGENT_OK, std::to_string(nextId_++)};
        }
        if ((verb == AGENT_COLLECT || verb == AGENT_SEND || verb == AGENT_CLOSE_PROBE)
            && request.size() >= 2) {
            const auto probe = probes_.find(Number(request[1]));
            if (probe == probes_.end())
                return {AGENT_FAILED, "no such probe"};
            if (verb == AGENT_CLOSE_PROBE) {
                probes_.erase(probe);
                return {AGENT_OK};
            }
            if (verb == AGENT_SEND && request.size() == 5) {
                const std::string& bytes = request[2];
                probe->second->SendTo(std::vector<unsigned char>(bytes.begin(), bytes.end()),
                                      request[3], static_cast<std::uint16_t>(Number(request[4])));
                return {AGENT_OK};
            }
            if (verb == AGENT_COLLECT && request.size() == 3) {
                AgentMessage answer{AGENT_OK};
                for (const Datagram& d :
                     probe->second->Collect(std::chrono::milliseconds(Number(request[2])))) {
                    answer.push_back(d.from);
                    answer.emplace_back(d.bytes.begin(), d.bytes.end());
                }
                return answer;
            }
        }
    } catch (const std::exception& e) {
        return {AGENT_FAILED, e.what()};
    }
    return {AGENT_FAILED, "not a request: " + verb};
}

Host TestnetAgent::HostIn(const std::string& ns)
{
    for (const char* name : HOST_NAMES) {
        const Host host = TestHost(name);
        if (host.ns == ns)
            return host;
    }
    throw std::invalid_argument(ns + " is not a host of this test network");
}

int TestnetAgent::Number(const std::string& field)
{
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size())
        throw std::invalid_argument("not a number: " + field);
    return value;
}

void TestnetAgent::EndAll()
{
    devsims_.clear();
    probes_.clear();
}

} // namespace testnet
