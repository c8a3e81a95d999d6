// Entry point of every test that opens sockets: it runs only inside a private test network.
#include "netns_guard.h"
#include "udp_socket.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    RequirePrivateNetwork(argv[0]);
    // As the programs do before their first socket; on Windows there are none without it.
    if (!udp::StartSockets()) {
        std::fprintf(stderr, "%s: the sockets layer did not start\n", argv[0]);
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
