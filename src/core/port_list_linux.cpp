#include "core/port_list.h"
#include "core/port_list_linux.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace brisvel {
namespace {

namespace fs = std::filesystem;

bool HasDriver(const fs::path& tty) {
  std::error_code ec;
  return fs::exists(tty / "device" / "driver", ec);
}

// serial_core publishes the detected UART type; 0 means nothing answered at that address.
bool IsEmptyUartSlot(const fs::path& tty) {
  std::ifstream type(tty / "type");
  int value = -1;
  return type >> value && value == 0;
}

}  // namespace

std::vector<std::string> ListSerialPorts(const fs::path& sysfs_tty, const std::string& dev_dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(sysfs_tty, ec)) {
    const fs::path& tty = entry.path();
    if (HasDriver(tty) && !IsEmptyUartSlot(tty)) names.push_back(tty.filename().string());
  }
  std::ranges::sort(names, NaturalLess);
  for (auto& name : names) name = dev_dir + "/" + name;
  return names;
}

std::vector<std::string> ListSerialPorts() { return ListSerialPorts("/sys/class/tty", "/dev"); }

}  // namespace brisvel
