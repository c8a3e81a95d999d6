// What the operator can run to reach a device outside every subnet of this computer: a second,
// temporary address in the device's subnet on the network card that heard it, and the command
// that removes it again. Nothing here runs anything or sends anything to the device.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class CommandShell { Linux, Windows };

struct TemporaryAddress {
    // Host order; address 0 when the device's IP is no address or its subnet has none free.
    std::uint32_t address = 0;
    std::uint32_t mask = 0;
    // The mask is the one that holds the device's gateway too; otherwise the usual /24.
    bool maskFromGateway = false;
};

// Devices do not report their mask, so it is guessed: the narrowest of /24, /16 and /8 that holds
// both the device and its gateway, else /24. The address is the highest host address of that
// subnet that is neither the device's, nor its gateway's, nor one of taken.
TemporaryAddress ChooseTemporaryAddress(std::u16string_view ip, std::u16string_view gateway,
                                        const std::vector<std::uint32_t>& taken);

struct AddressCommands {
    std::u16string add;
    std::u16string remove;
};

// The commands that add the address to the card named card (its name as the system gives it),
// and remove it; for Linux with ip, for Windows with netsh.
AddressCommands TemporaryAddressCommands(const TemporaryAddress& address, std::u16string_view card,
                                         CommandShell shell);
