#pragma once
// Port lists for tests that care about paths only: each port named after its device file.
#include <filesystem>
#include <string>
#include <vector>

#include "core/ports/port_list.h"

namespace brisvel::testing_support {

inline std::vector<SerialPortInfo> PortsAt(const std::vector<std::string>& paths) {
  std::vector<SerialPortInfo> ports;
  for (const auto& path : paths) ports.push_back({path, std::filesystem::path(path).filename().string(), ""});
  return ports;
}

}  // namespace brisvel::testing_support
