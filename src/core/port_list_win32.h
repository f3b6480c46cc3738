#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace brisvel {

// Where the serial port drivers list their ports: one value per port, its data the name.
inline constexpr wchar_t kSerialCommKey[] = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The plain-string (REG_SZ) values of `root`\`subkey`, as UTF-8, in the registry's enumeration
// order; nothing when the key cannot be opened. The key is opened with full access, so where
// that is refused (HKEY_LOCAL_MACHINE for a user without administrator rights) the ports are
// not found, as the tool was designed.
std::optional<std::vector<std::string>> ListRegistryPorts(HKEY root, const wchar_t* subkey);

}  // namespace brisvel
