#include "core/ports/port_list.h"
#include "core/ports/port_list_linux.h"

#include <gtest/gtest.h>

#include <string>

#include "core/ports/port_list_linux.h"
#include "fake_system.h"

namespace brisvel {
namespace {

using testing_support::FakeSystem;
using testing_support::UsbDevice;

std::vector<std::string> NamesOf(const std::vector<SerialPortInfo>& ports) {
  std::vector<std::string> names;
  for (const auto& port : ports) names.push_back(port.name);
  return names;
}

TEST(PortList, DriverBackedPortsInNaturalOrder) {
  FakeSystem system;
  system.AddTty("tty0", false);
  system.AddTty("ttyS10", true, "4");
  system.AddTty("ttyS2", true, "4");
  system.AddTty("ttyS3", true, "0");  // probed, no UART there
  system.AddTty("ttyAMA0", true, "32");
  system.AddTty("ptmx", false);
  system.AddUsbTty("ttyUSB0", "1-2", {"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"});
  system.AddUsbTty("ttyACM1", "1-3", {"2341", "0043", "", "", ""});
  const auto ports = ListSerialPorts(system.roots());
  EXPECT_EQ(NamesOf(ports), (std::vector<std::string>{"ttyACM1", "ttyAMA0", "ttyS2", "ttyS10", "ttyUSB0"}));
  for (const auto& port : ports) {
    SCOPED_TRACE(port.name);
    EXPECT_EQ(port.path, system.dev(port.name).string()) << "no stable name without a by-id link";
    EXPECT_FALSE(port.description.empty());
  }
  EXPECT_TRUE(ListSerialPorts(SystemRoots{"/absent/sys", "/absent/dev"}).empty());
}

// What the drop-down says of each adapter, and what is opened and remembered: the by-id
// name, so that the adapter is found again after it comes back as ttyUSB1.
TEST(PortList, UsbAdaptersAreDescribedAndOfferedUnderTheirStableNames) {
  FakeSystem system;
  system.AddTty("ttyS0", true, "4");
  system.AddUsbTty("ttyUSB0", "1-2", {"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"});
  system.AddUsbTty("ttyACM0", "1-3", {"2341", "0043", "Arduino (www.arduino.cc)", "", "7573"});
  system.AddUsbTty("ttyUSB1", "1-4", {"067b", "2303", "", "USB-Serial Controller", ""});
  const auto ftdi = system.AddByIdLink("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB0");
  system.AddByIdLink("usb-Gone_Adapter-if00-port0", "ttyUSB7");  // an adapter with no tty now

  const auto ports = ListSerialPorts(system.roots());
  ASSERT_EQ(NamesOf(ports), (std::vector<std::string>{"ttyACM0", "ttyS0", "ttyUSB0", "ttyUSB1"}));
  const SerialPortInfo& acm = ports[0];
  const SerialPortInfo& onboard = ports[1];
  const SerialPortInfo& converter = ports[2];
  const SerialPortInfo& prolific = ports[3];

  EXPECT_EQ(converter.path, ftdi.string());
  for (const char* fact : {"FT232R USB UART", "FTDI", "A50285BI"})
    EXPECT_NE(converter.description.find(fact), std::string::npos) << converter.description;
  EXPECT_EQ(prolific.path, system.dev("ttyUSB1").string());
  EXPECT_NE(prolific.description.find("USB-Serial Controller"), std::string::npos) << prolific.description;
  // No product name: the ids still tell one adapter from another.
  for (const char* fact : {"2341", "0043", "Arduino", "7573"})
    EXPECT_NE(acm.description.find(fact), std::string::npos) << acm.description;
  EXPECT_EQ(onboard.description.find("USB"), std::string::npos) << onboard.description;
  EXPECT_EQ(PortLabel(converter).find("ttyUSB0"), 0u) << PortLabel(converter);
}

TEST(PortList, BareNameIsLookedForAmongTheDevices) {
  const std::pair<std::string, std::string> cases[] = {
      {"ttyUSB0", "/dev/ttyUSB0"},
      {"/dev/serial/by-id/usb-FTDI-if00-port0", "/dev/serial/by-id/usb-FTDI-if00-port0"},
      {"./ttyUSB0", "./ttyUSB0"},
      {"", ""},
  };
  for (const auto& [text, device] : cases) EXPECT_EQ(DevicePathOf(text), device) << text;
}

TEST(NaturalLess, ComparesDigitRunsByValue) {
  EXPECT_TRUE(NaturalLess("ttyS2", "ttyS10"));
  EXPECT_FALSE(NaturalLess("ttyS10", "ttyS2"));
  EXPECT_TRUE(NaturalLess("ttyS", "ttyS0"));
  EXPECT_TRUE(NaturalLess("ttyS9", "ttyUSB0"));
  EXPECT_FALSE(NaturalLess("ttyS1", "ttyS01"));
  EXPECT_FALSE(NaturalLess("ttyS01", "ttyS1"));
}

}  // namespace
}  // namespace brisvel
