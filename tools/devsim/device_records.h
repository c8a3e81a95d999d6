// The devices a simulator plays, made from its options.
#pragma once

#include "devsim_options.h"

#include <optional>
#include <string>
#include <vector>

// The bytes each field of a device's reply carries, already encoded and checked to fit.
struct DeviceRecord {
    std::string mac;
    std::string ip;
    std::string gateway;
    std::string chn;
    std::string port;
    std::string version;
};

// One record per device, in device order; nothing, with the reason in error, when an option's
// text cannot be used.
std::optional<std::vector<DeviceRecord>> BuildDeviceRecords(const DevsimOptions& options,
                                                            std::string* error);
