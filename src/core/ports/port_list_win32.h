#pragma once
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/ports/port_list.h"

namespace brisvel {

// Where the serial port drivers list their ports: one value per port, its data the name.
inline constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The plain-string (REG_SZ) values of `root`\`subkey`, as UTF-8, in the registry's enumeration
// order; nothing when the key is absent or cannot be read. It is opened for reading only: a
// user without administrator rights may not write HKEY_LOCAL_MACHINE, and asking to would
// hide every port from them.
std::optional<std::vector<std::string>> ListRegistryPorts(HKEY root, const wchar_t* subkey);

// Device Manager's names of the serial ports present, by port name: "COM3" -> "USB Serial
// Port (COM3)". Empty where the system lists no such devices (wine).
std::map<std::string, std::string> FriendlyPortNames();

// The ports the drivers list (`listed`, COM names), each described by its friendly name where
// there is one, in natural order.
std::vector<SerialPortInfo> DescribedPorts(const std::vector<std::string>& listed,
                                           const std::map<std::string, std::string>& friendly_names);

}  // namespace brisvel
