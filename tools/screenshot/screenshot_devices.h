// The devices both windows' screenshots list: simulators in the private test network.
#pragma once

#include "testnet.h"

#include <memory>
#include <vector>

// Starts the simulators, kept in simulators; returns how many devices they play. With allGbk every
// device sends its texts in GBK, as devices sold for Chinese Windows do; otherwise some in UTF-8.
int StartScreenshotDevices(std::vector<std::unique_ptr<testnet::DevSim>>& simulators, bool allGbk);
