// The private test network itself: it is private, and its hosts are where the tests expect them.
#include "netns_guard.h"
#include "testnet.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using testnet::TestHost;

namespace {

ino_t NamespaceInode(const char* path)
{
    struct stat st{};
    return ::stat(path, &st) == 0 ? st.st_ino : 0;
}

} // namespace

TEST(TestNetwork, EveryHostIsPrivateAndApart)
{
    std::string why;
    EXPECT_TRUE(InPrivateNetwork(&why)) << why;
    const ino_t pc = NamespaceInode("/proc/self/ns/net");
    for (const char* name : {"a1", "a2", "b1", "f1", "empty"}) {
        testnet::NamespaceScope inside(TestHost(name));
        EXPECT_TRUE(InPrivateNetwork(&why)) << name << ": " << why;
        EXPECT_NE(pc, NamespaceInode("/proc/thread-self/ns/net")) << name;
    }
    EXPECT_EQ(pc, NamespaceInode("/proc/thread-self/ns/net")) << "the thread came home";
}

TEST(TestNetwork, DevSimAnswersAndEndsCleanlyOnTerm)
{
    testnet::DevSim device(TestHost("a1"), {"--ip", "10.60.1.11"});
    EXPECT_EQ(0, device.Terminate());
}
