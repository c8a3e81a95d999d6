#include "testnet.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <utility>

namespace testnet {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto DEVSIM_START_LIMIT = std::chrono::seconds(10);
constexpr auto DEVSIM_STOP_LIMIT = std::chrono::seconds(5);

void EnterNamespace(const std::string& ns)
{
    const int fd = ::open(ns.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0) {
        if (fd >= 0)
            ::close(fd);
        throw std::runtime_error("cannot enter network namespace " + ns);
    }
    ::close(fd);
}

int Remaining(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

} // namespace

NamespaceScope::NamespaceScope(const Host& host)
    : home_(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC))
{
    if (home_ < 0)
        throw std::runtime_error("cannot open this thread's network namespace");
    EnterNamespace(host.ns);
}

NamespaceScope::~NamespaceScope()
{
    if (::setns(home_, CLONE_NEWNET) != 0)
        std::abort(); // a thread left in another host's namespace would falsify every later test
    ::close(home_);
}

Probe::Probe(const Host& host, std::uint16_t port)
{
    NamespaceScope inside(host);
    socket_ = udp::Open();
    const int on = 1;
    if (socket_ == BC_INVALID_SOCKET
        || ::setsockopt(static_cast<int>(socket_), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
        || !udp::SetBroadcast(socket_) || !udp::SetNonBlocking(socket_)
        || !udp::Bind(socket_, 0, port)) {
        if (socket_ != BC_INVALID_SOCKET)
            udp::Close(socket_);
        throw std::runtime_error("cannot open a probe on port " + std::to_string(port) + " in "
                                 + host.ns);
    }
}

Probe::~Probe()
{
    udp::Close(socket_);
}

std::vector<Datagram> Probe::Collect(std::chrono::milliseconds window)
{
    std::vector<Datagram> seen;
    const auto deadline = Clock::now() + window;
    for (pollfd p{static_cast<int>(socket_), POLLIN, 0}; ::poll(&p, 1, Remaining(deadline)) > 0;) {
        std::vector<unsigned char> bytes(65536);
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(static_cast<int>(socket_), bytes.data(), bytes.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0)
            continue;
        bytes.resize(static_cast<std::size_t>(n));
        seen.push_back({std::move(bytes), FormatAddress(ntohl(from.sin_addr.s_addr))});
    }
    return seen;
}

void Probe::SendTo(const std::vector<unsigned char>& bytes, const std::string& address,
                   std::uint16_t port)
{
    if (!udp::SendTo(socket_, bytes.data(), bytes.size(), ParseAddress(address), port))
        throw std::runtime_error("probe cannot send to " + address);
}

DevSim::DevSim(const Host& host, const std::vector<std::string>& arguments)
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> argvStrings{QUENLO_DEVSIM_PATH};
    argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : argvStrings)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        const int fd = ::open(host.ns.c_str(), O_RDONLY);
        if (fd < 0 || ::setns(fd, CLONE_NEWNET) != 0)
            ::_exit(126);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    output_ = pipeEnds[0];
    if (pid_ < 0)
        throw std::runtime_error("fork failed");

    // Ready once it has said so on its standard output.
    std::string said;
    const auto deadline = Clock::now() + DEVSIM_START_LIMIT;
    while (said.find('\n') == std::string::npos) {
        pollfd p{output_, POLLIN, 0};
        char chunk[256];
        ssize_t n = 0;
        if (::poll(&p, 1, Remaining(deadline)) <= 0 || (n = ::read(output_, chunk, sizeof chunk)) <= 0) {
            const int status = Terminate();
            throw std::runtime_error("quenlo-devsim did not become ready (exit status "
                                     + std::to_string(status) + ")");
        }
        said.append(chunk, static_cast<std::size_t>(n));
    }
}

DevSim::~DevSim()
{
    Terminate();
}

int DevSim::Terminate()
{
    if (pid_ <= 0)
        return -1;
    const pid_t pid = pid_;
    pid_ = -1;
    ::kill(pid, SIGTERM);
    int status = 0;
    const auto deadline = Clock::now() + DEVSIM_STOP_LIMIT;
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (output_ >= 0) {
        ::close(output_);
        output_ = -1;
    }
    if (status == -1)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace testnet
