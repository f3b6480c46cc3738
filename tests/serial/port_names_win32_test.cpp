// Windows device names reach CreateFile as they are, and a refusal keeps the system's reason.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "pty_support.h"
#include "serial/serial_port.h"

namespace brisvel::serial {
namespace {

using testing::Pty;

// "COMn" for the first ptys, "\\.\COMn" from COM10 on (see LineServerConnection::portName).
std::string bareName(const std::string& path) { return path.starts_with("\\\\.\\") ? path.substr(4) : path; }

TEST(PortNames, BareAndDevicePrefixedFormsBothOpen) {
  std::vector<std::unique_ptr<Pty>> ptys;
  while (ptys.empty() || !ptys.back()->path.starts_with("\\\\.\\")) {
    ptys.push_back(std::make_unique<Pty>());
    ASSERT_FALSE(ptys.back()->path.empty());
    ASSERT_LT(ptys.size(), 300u) << "no COM10 and up";
  }
  const std::string low = ptys.front()->path;   // e.g. COM2
  const std::string high = ptys.back()->path;   // e.g. \\.\COM10
  SCOPED_TRACE(low + " " + high);
  for (const std::string& name : {low, "\\\\.\\" + low, high}) {
    SerialPort port;
    EXPECT_TRUE(port.open(name)) << name;
  }
  SerialPort port;
  EXPECT_FALSE(port.open(bareName(high))) << "no prefix is added for COM10 and up";
  EXPECT_EQ(port.lastError().kind, PortErrorKind::NotFound);
}

TEST(PortNames, MissingPortIsNotFoundWithTheSystemsText) {
  SerialPort port;
  EXPECT_FALSE(port.open("\\\\.\\COM256"));
  EXPECT_EQ(port.lastError().kind, PortErrorKind::NotFound);
  EXPECT_NE(port.lastError().systemCode, 0);
  EXPECT_FALSE(port.lastError().systemText.empty());
  EXPECT_EQ(port.lastError().systemText.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace brisvel::serial
