#pragma once
// A fake /sys, /dev, /proc and /etc/group in a scratch folder, laid out as Linux lays out the
// parts the port list and the port diagnosis read.
#include <filesystem>
#include <string>
#include <vector>

#include "core/ports/system_files_linux.h"
#include "file_bytes.h"
#include "scratch_dir.h"

namespace brisvel::testing_support {

struct UsbDevice {
  std::string vendor_id, product_id, manufacturer, product, serial;  // empty: no such file
};

class FakeSystem {
 public:
  FakeSystem() {
    for (const char* folder : {"sys/class/tty", "dev", "proc", "etc"}) std::filesystem::create_directories(dir_ / folder);
  }

  SystemRoots roots() const { return {dir_ / "sys", dir_ / "dev", dir_ / "proc", dir_ / "etc" / "group"}; }
  std::filesystem::path dev(const std::string& name) const { return dir_ / "dev" / name; }

  // A tty; with a driver, a device driver backs it; uart_type is what serial_core reports.
  void AddTty(const std::string& name, bool driver, const char* uart_type = nullptr) {
    const auto tty = dir_ / "sys/class/tty" / name;
    std::filesystem::create_directories(tty);
    if (driver) std::filesystem::create_directories(tty / "device" / "driver");
    if (uart_type) WriteFileBytes(tty / "type", std::string(uart_type) + "\n");
  }

  // A USB adapter's tty, linked into the device tree as the kernel does: ttyUSB* under a
  // converter port below the interface, ttyACM* right below the interface.
  void AddUsbTty(const std::string& name, const std::string& bus_port, const UsbDevice& usb) {
    const auto device = dir_ / "sys/devices/pci0000:00/usb1" / bus_port;
    const auto interface = device / (bus_port + ":1.0");
    const bool converter = name.starts_with("ttyUSB");
    const auto port = converter ? interface / name : interface;
    std::filesystem::create_directories(port / "driver");
    for (const auto& [file, value] : {std::pair{"idVendor", usb.vendor_id}, {"idProduct", usb.product_id},
                                      {"manufacturer", usb.manufacturer}, {"product", usb.product}, {"serial", usb.serial}})
      if (!value.empty()) WriteFileBytes(device / file, value + "\n");
    const auto tty = dir_ / "sys/class/tty" / name;
    std::filesystem::create_directories(tty);
    std::filesystem::create_directory_symlink(std::filesystem::relative(port, tty), tty / "device");
    WriteFileBytes(dev(name), "");
  }

  // udev's stable name for a tty, a relative link as udev makes it.
  std::filesystem::path AddByIdLink(const std::string& link, const std::string& tty) {
    const auto folder = dir_ / "dev/serial/by-id";
    std::filesystem::create_directories(folder);
    std::filesystem::create_symlink("../../" + tty, folder / link);
    return folder / link;
  }

  // A process as /proc shows it, with its open files as links.
  void AddProcess(int id, const std::string& program, const std::vector<std::filesystem::path>& open_files = {}) {
    const auto folder = dir_ / "proc" / std::to_string(id);
    std::filesystem::create_directories(folder / "fd");
    WriteFileBytes(folder / "comm", program + "\n");
    int fd = 3;
    for (const auto& file : open_files) std::filesystem::create_symlink(file, folder / "fd" / std::to_string(fd++));
  }

  void SetGroups(const std::string& lines) { WriteFileBytes(dir_ / "etc" / "group", lines); }

 private:
  ScratchDir dir_;
};

}  // namespace brisvel::testing_support
