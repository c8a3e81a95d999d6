// Keeps test programs and tools off the machine's real network.
#pragma once

#include <string>

// Whether this process runs in a private network namespace: not the one of process 1, and
// holding no interface but loopback and links whose names carry the test network's prefix.
// Under Wine, the adapters Windows reports are judged the same way; on Windows itself, never.
// When it does not, why tells the reason.
bool InPrivateNetwork(std::string* why);

// Ends the process with a message on standard error unless InPrivateNetwork holds; on Windows
// itself with the skip status 77, since no private test network can exist there.
void RequirePrivateNetwork(const char* program);

// Interface names of the private test networks begin with this.
constexpr const char* PRIVATE_LINK_PREFIX = "qn";
