// Runs a Windows test under Wine inside the private test network and does for it what a Windows
// process cannot: start simulators and open probes in the network's other hosts. It serves the
// test's requests (agent_wire.h) on 127.0.0.1 of the pc host, and ends every simulator and probe
// of a connection when the connection closes.
#pragma once

#include "agent_wire.h"
#include "testnet.h"

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace testnet {

class TestnetAgent
{
public:
    // Listens on a free port of 127.0.0.1.
    TestnetAgent();
    ~TestnetAgent();
    TestnetAgent(const TestnetAgent&) = delete;
    TestnetAgent& operator=(const TestnetAgent&) = delete;

    // Where it listens, as AGENT_ADDRESS_VARIABLE tells it.
    std::string Address() const;

    // Serves one connection at a time until the child process has ended; returns the child's
    // exit status as a shell gives it.
    int ServeUntilExit(pid_t child);

private:
    // The answer to one request.
    AgentMessage Answer(const AgentMessage& request);
    // The host whose namespace is ns; only the test network's own hosts are served.
    static Host HostIn(const std::string& ns);
    // The number in an id or count field.
    static int Number(const std::string& field);
    // Ends every simulator and probe.
    void EndAll();

    int listener_ = -1;
    std::uint16_t port_ = 0;
    int nextId_ = 1;
    std::map<int, std::unique_ptr<DevSim>> devsims_;
    std::map<int, std::unique_ptr<Probe>> probes_;
};

} // namespace testnet
