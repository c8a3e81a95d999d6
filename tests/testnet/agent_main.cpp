// quenlo-testnet-agent COMMAND [ARGS...]: runs COMMAND, a Windows test under Wine, in the pc host
// of the private test network and serves its requests for the other hosts until it ends; exits
// with its status.
#include "netns_guard.h"
#include "testnet_agent.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>

int main(int argc, char** argv)
{
    RequirePrivateNetwork(argv[0]);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    try {
        testnet::TestnetAgent agent;
        ::setenv(testnet::AGENT_ADDRESS_VARIABLE, agent.Address().c_str(), 1);
        const pid_t child = ::fork();
        if (child == 0) {
            ::execvp(argv[1], argv + 1);
            ::_exit(127);
        }
        if (child < 0)
            throw std::runtime_error("fork failed");
        return agent.ServeUntilExit(child);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
}
