// The web page of a device, built from the IP and port texts of its row.
#pragma once

#include <string>

struct DeviceUrl {
    std::u16string url;  // empty unless the texts make a web address on the device
    std::u16string text; // what the texts make, for telling the operator when they do not
};

// http://IP:port from the cells' texts, blanks around them removed. The host must be an IPv4
// address as ParseIpv4 reads one (written back without leading zeros), the port empty (no port in
// the URL) or 1-65535; anything else, such as a host name, a path, a query or another scheme smuggled into the
// texts, leaves the URL empty.
DeviceUrl DeviceWebPage(const std::u16string& ipText, const std::u16string& portText);
