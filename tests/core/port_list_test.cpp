#include "core/port_list.h"
#include "core/port_list_linux.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "file_bytes.h"

namespace brisvel {
namespace {

namespace fs = std::filesystem;

// A fake /sys/class/tty: each tty is a folder; a driver is a "device/driver" entry.
class FakeSysfs : public testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("port_list_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  void AddTty(const std::string& name, bool driver, const char* uart_type = nullptr) {
    fs::create_directories(root_ / name);
    if (driver) fs::create_directories(root_ / name / "device" / "driver");
    if (uart_type) testing_support::WriteFileBytes(root_ / name / "type", std::string(uart_type) + "\n");
  }
  fs::path root_;
};

TEST_F(FakeSysfs, ListsDriverBackedPortsInNaturalOrder) {
  AddTty("tty0", false);
  AddTty("ttyS10", true, "4");
  AddTty("ttyS2", true, "4");
  AddTty("ttyS3", true, "0");  // probed, no UART there
  AddTty("ttyUSB0", true);
  AddTty("ttyACM1", true);
  AddTty("ttyAMA0", true, "32");
  AddTty("ptmx", false);
  EXPECT_EQ(ListSerialPorts(root_, "/dev"),
            (std::vector<std::string>{"/dev/ttyACM1", "/dev/ttyAMA0", "/dev/ttyS2", "/dev/ttyS10",
                                      "/dev/ttyUSB0"}));
}

TEST_F(FakeSysfs, NoSerialDeviceGivesEmptyList) {
  AddTty("tty1", false);
  EXPECT_TRUE(ListSerialPorts(root_, "/dev").empty());
  EXPECT_TRUE(ListSerialPorts(root_ / "absent", "/dev").empty());
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
