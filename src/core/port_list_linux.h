#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace brisvel {

// Lists ttys in `sysfs_tty` (normally /sys/class/tty) that a device driver backs, such as
// ttyS*, ttyAMA* and USB adapters (ttyUSB*, ttyACM*), as "<dev_dir>/<name>" in natural order
// (ttyS2 before ttyS10). Virtual consoles and ptys have no driver and are left out, and so
// are UART slots the kernel probed and found empty (type 0), which every PC has several of.
std::vector<std::string> ListSerialPorts(const std::filesystem::path& sysfs_tty, const std::string& dev_dir);

}  // namespace brisvel
