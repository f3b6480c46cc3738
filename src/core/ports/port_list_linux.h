#pragma once
// The Linux port list: sysfs says which ttys have hardware behind them and what it is, udev's
// /dev/serial/by-id links give USB adapters names that survive a re-plug.
#include <optional>
#include <string>
#include <vector>

#include "core/ports/port_list.h"
#include "core/ports/system_files_linux.h"

namespace brisvel {

// Ttys in <sys>/class/tty that a device driver backs, such as ttyS*, ttyAMA* and USB
// adapters (ttyUSB*, ttyACM*). Virtual consoles and ptys have no driver and are left out, and
// so are UART slots the kernel probed and found empty (type 0), which every PC has several of.
std::vector<SerialPortInfo> ListSerialPorts(const SystemRoots& roots);

// The USB device a tty belongs to, as sysfs describes it.
struct UsbIdentity {
  std::string vendor_id;   // "0403"
  std::string product_id;  // "6001"
  std::string manufacturer, product, serial;  // as the device reports them; each may be empty
};
std::optional<UsbIdentity> UsbIdentityOf(const SystemRoots& roots, const std::string& tty_name);

// The kernel's name of the tty a device path leads to: ttyUSB0 for its by-id link.
std::string KernelNameOf(const std::string& device);

}  // namespace brisvel
