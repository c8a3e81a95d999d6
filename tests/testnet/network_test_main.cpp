// Entry point of every test that opens sockets: it runs only inside a private test network.
#include "netns_guard.h"

#ifdef _WIN32
#include <winsock2.h>
#endif

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    RequirePrivateNetwork(argv[0]);
#ifdef _WIN32
    // As the program does before its first socket; without it there are no sockets.
    WSADATA data;
    if (::WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        std::fprintf(stderr, "%s: Winsock did not start\n", argv[0]);
        return 1;
    }
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
