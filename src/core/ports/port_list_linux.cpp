#include "core/ports/port_list_linux.h"

#include <algorithm>
#include <map>
#include <system_error>

namespace brisvel {
namespace {

namespace fs = std::filesystem;

bool HasDriver(const fs::path& tty) {
  std::error_code ec;
  return fs::exists(tty / "device" / "driver", ec);
}

// serial_core publishes the detected UART type; 0 means nothing answered at that address.
bool IsEmptyUartSlot(const fs::path& tty) { return FirstLineOf(tty / "type") == "0"; }

// A USB adapter's tty hangs one level (ttyACM*: the interface) or two (ttyUSB*: the
// converter's port under the interface) below the USB device, the folder with the ids.
std::optional<fs::path> UsbDeviceFolder(const fs::path& tty) {
  std::error_code ec;
  fs::path folder = fs::canonical(tty / "device", ec);
  if (ec) return std::nullopt;
  for (int up = 0; up < 3; ++up, folder = folder.parent_path())
    if (fs::exists(folder / "idVendor", ec)) return folder;
  return std::nullopt;
}

std::string Describe(const std::optional<UsbIdentity>& usb) {
  if (!usb) return "シリアルポート";
  std::string text = usb->product.empty() ? "USB シリアル " + usb->vendor_id + ":" + usb->product_id : usb->product;
  std::string details = usb->manufacturer;
  if (!usb->serial.empty()) details += (details.empty() ? "S/N " : ", S/N ") + usb->serial;
  return details.empty() ? text : text + " (" + details + ")";
}

// udev links each USB adapter, under a name made of its make and serial number, to its tty.
std::map<std::string, fs::path> StableNames(const SystemRoots& roots) {
  std::vector<fs::path> links;
  ForEachEntry(roots.dev / "serial" / "by-id", [&](const fs::path& link) { links.push_back(link); });
  std::ranges::sort(links);
  std::map<std::string, fs::path> names;
  std::error_code ec;
  for (const auto& link : links) {
    const fs::path target = fs::read_symlink(link, ec);
    if (!ec) names.emplace(target.filename().string(), link);
  }
  return names;
}

}  // namespace

std::optional<UsbIdentity> UsbIdentityOf(const SystemRoots& roots, const std::string& tty_name) {
  const auto folder = UsbDeviceFolder(roots.sys / "class" / "tty" / tty_name);
  if (!folder) return std::nullopt;
  return UsbIdentity{FirstLineOf(*folder / "idVendor"), FirstLineOf(*folder / "idProduct"),
                     FirstLineOf(*folder / "manufacturer"), FirstLineOf(*folder / "product"),
                     FirstLineOf(*folder / "serial")};
}

std::vector<SerialPortInfo> ListSerialPorts(const SystemRoots& roots) {
  std::vector<std::string> names;
  ForEachEntry(roots.sys / "class" / "tty", [&](const fs::path& tty) {
    if (HasDriver(tty) && !IsEmptyUartSlot(tty)) names.push_back(tty.filename().string());
  });
  std::ranges::sort(names, NaturalLess);
  const auto stable = StableNames(roots);
  std::vector<SerialPortInfo> ports;
  for (const auto& name : names) {
    const auto link = stable.find(name);
    const fs::path path = link != stable.end() ? link->second : roots.dev / name;
    ports.push_back({path.string(), name, Describe(UsbIdentityOf(roots, name))});
  }
  return ports;
}

std::optional<std::vector<SerialPortInfo>> ListSerialPorts() {
  auto ports = ListSerialPorts(SystemRoots{});
  if (ports.empty()) return std::nullopt;
  return ports;
}

std::string DevicePathOf(const std::string& port_text) {
  if (port_text.empty() || port_text.find('/') != std::string::npos) return port_text;
  return "/dev/" + port_text;
}

std::string ShownDeviceName(const std::string& device) { return device; }

std::string KernelNameOf(const std::string& device) {
  std::error_code ec;
  const fs::path resolved = fs::canonical(device, ec);
  return (ec ? fs::path(device) : resolved).filename().string();
}

}  // namespace brisvel
