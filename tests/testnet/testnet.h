// What the tests see of the private test network that testnet.sh builds around them. A Linux test
// reaches the other hosts itself; a Windows test under Wine asks the test network's agent
// (testnet_agent.h), which runs beside it, to do so.
#pragma once

#include "udp_socket.h"

#ifndef _WIN32
#include <sys/types.h>
#endif

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace testnet {

// A host of the test network: the path of its network namespace and its address, read from the
// harness's environment.
struct Host {
    std::string ns;
    std::string address;
};

// Hosts by their short name: "pc", "a1", "a2", "b1", "f1", "empty".
Host TestHost(const std::string& name);

std::uint32_t ParseAddress(const std::string& dotted);
std::string FormatAddress(std::uint32_t address);

#ifndef _WIN32
// Moves the calling thread into a host's network namespace for the scope's lifetime; sockets
// opened meanwhile stay in that namespace.
class NamespaceScope
{
public:
    explicit NamespaceScope(const Host& host);
    ~NamespaceScope();
    NamespaceScope(const NamespaceScope&) = delete;
    NamespaceScope& operator=(const NamespaceScope&) = delete;

private:
    int home_ = -1;
};
#endif

// A datagram seen by a Probe.
struct Datagram {
    std::vector<unsigned char> bytes;
    std::string from;
};

// A plain UDP socket bound to a port inside a host's namespace, to see or send raw datagrams.
class Probe
{
public:
    Probe(const Host& host, std::uint16_t port);
    ~Probe();
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    // Every datagram that arrives within the window.
    std::vector<Datagram> Collect(std::chrono::milliseconds window);
    void SendTo(const std::vector<unsigned char>& bytes, const std::string& address,
                std::uint16_t port);

private:
#ifdef _WIN32
    int id_ = -1; // the agent's
#else
    bc_socket_t socket_ = BC_INVALID_SOCKET;
#endif
};

// quenlo-devsim running in a host's namespace, started ready to answer and ended on scope exit.
class DevSim
{
public:
    DevSim(const Host& host, const std::vector<std::string>& arguments);
    ~DevSim();
    DevSim(const DevSim&) = delete;
    DevSim& operator=(const DevSim&) = delete;

    // Sends SIGTERM and returns the exit status, or -1 when it had to be killed.
    int Terminate();

private:
#ifdef _WIN32
    int id_ = -1; // the agent's
#else
    pid_t pid_ = -1;
    int output_ = -1;
#endif
};

} // namespace testnet
