// Runs a command only inside a private test network: the guard of test drivers that are scripts,
// and of every program they start.
#include "netns_guard.h"

#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: quenlo-private-run COMMAND [ARGS...]\n", stderr);
        return 2;
    }
    RequirePrivateNetwork(argv[1]);
    ::execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    return 127;
}
