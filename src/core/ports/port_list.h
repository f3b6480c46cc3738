#pragma once
// The machine's serial ports as the port box offers them: what to open, a short name the
// box can show, and what the port is.
#include <optional>
#include <string>
#include <vector>

namespace brisvel {

struct SerialPortInfo {
  // What the port box opens and the settings remember: a name that survives a re-plug or a
  // reboot where the system has one (Linux: /dev/serial/by-id/...), else the device path.
  std::string path;
  std::string name;         // short enough for the port box: ttyUSB0
  std::string description;  // "FT232R USB UART (FTDI, S/N A50285BI)", "シリアルポート"
};

// This machine's serial ports, in natural order of their names (port_list_<system>.cpp);
// nothing where the system keeps no record of serial ports at all. Windows records them in
// the registry, whose list outlives an unplugged adapter empty; on Linux the devices present
// are the only record, so no port there is no record.
std::optional<std::vector<SerialPortInfo>> ListSerialPorts();

// The device a port box text names: a bare name such as ttyUSB0 is looked for where the
// system keeps its devices; anything else is taken as it is.
std::string DevicePathOf(const std::string& port_text);

// The device as a message names it: the name a user knows the port by ("COM12"), where the
// system opens it under a longer one.
std::string ShownDeviceName(const std::string& device);

// One line for a list a user reads: "ttyUSB0 - FT232R USB UART (FTDI, S/N A50285BI)".
std::string PortLabel(const SerialPortInfo& port);

// Orders names so that runs of digits compare by value.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace brisvel
