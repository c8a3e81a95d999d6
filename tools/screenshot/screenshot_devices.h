// The devices both windows' screenshots list: simulators in the private test network.
#pragma once

#include "testnet.h"

#include <functional>
#include <memory>
#include <vector>

// Starts the simulators, kept in simulators; returns how many devices they play. Some send their
// texts in GBK, others in UTF-8.
int StartScreenshotDevices(std::vector<std::unique_ptr<testnet::DevSim>>& simulators);

// The screenshot program's main: refuses outside a private network, takes OUTPUT from the command
// line and has take write it; a failure is said on standard error. Returns the exit status.
int ScreenshotMain(int argc, char** argv, const char* extension,
                   const std::function<int(const char* output)>& take);
