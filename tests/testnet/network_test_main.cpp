// Entry point of every test that opens sockets: it runs only inside a private test network.
#include "netns_guard.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    RequirePrivateNetwork(argv[0]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
