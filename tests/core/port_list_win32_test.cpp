// The port list from a scratch key of the test's own: wine fills the machine's SERIALCOMM key
// itself, and nobody can write there without administrator rights. Wine lists no devices in
// the Ports class, so Device Manager's names are given to the merge as Windows would find them.
#include <windows.h>

#include <sddl.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/ports/port_list_win32.h"
#include "line_pty.h"
#include "serial/serial_port.h"

namespace brisvel {
namespace {

class RegistryPorts : public testing::Test {
 protected:
  void SetUp() override {
    subkey_ = L"Software\\BrisvelRemoTest\\" + std::to_wstring(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                              nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    RegCloseKey(key_);
    RegDeleteTreeW(HKEY_CURRENT_USER, subkey_.c_str());
  }

  void Set(const wchar_t* name, DWORD type, const void* data, size_t bytes) {
    ASSERT_EQ(RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(bytes)),
              ERROR_SUCCESS);
  }
  void SetString(const wchar_t* name, DWORD type, const std::wstring& text, bool withNul = true) {
    Set(name, type, text.c_str(), (text.size() + (withNul ? 1 : 0)) * sizeof(wchar_t));
  }

  // The key's access list, in the system's string form.
  void SetAccess(const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key_, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    LocalFree(descriptor);
  }

  std::wstring subkey_;
  HKEY key_ = nullptr;
};

// Named in the order they are added: wine enumerates by name, Windows as they were added.
TEST_F(RegistryPorts, PlainStringsOnlyInTheRegistrysOrder) {
  const DWORD number = 3;
  const BYTE binary[] = {'C', 0, 'O', 0, 'M', 0, '9', 0};
  SetString(L"A", REG_SZ, L"COM10");
  SetString(L"B", REG_EXPAND_SZ, L"COM%PORT%");
  SetString(L"C", REG_SZ, L"COM2", false);
  Set(L"D", REG_BINARY, binary, sizeof binary);
  Set(L"E", REG_DWORD, &number, sizeof number);
  SetString(L"F", REG_MULTI_SZ, std::wstring(L"COM4\0COM5\0", 10));
  SetString(L"G", REG_SZ, L"COM1");
  EXPECT_EQ(ListRegistryPorts(HKEY_CURRENT_USER, subkey_.c_str()),
            (std::vector<std::string>{"COM10", "COM2", "COM1"}));
}

TEST_F(RegistryPorts, KeyWithoutValuesIsAnEmptyListAndNoKeyIsNothing) {
  EXPECT_EQ(ListRegistryPorts(HKEY_CURRENT_USER, subkey_.c_str()), std::vector<std::string>{});
  EXPECT_EQ(ListRegistryPorts(HKEY_CURRENT_USER, (subkey_ + L"\\absent").c_str()), std::nullopt);
}

// Users may read the machine's SERIALCOMM key, and only administrators change it: even an
// administrator's program runs without that right unless elevated.
TEST_F(RegistryPorts, KeyTheUserMayOnlyReadIsListed) {
  SetString(L"A", REG_SZ, L"COM3");
  SetAccess(L"D:P(A;;KR;;;WD)");
  HKEY full = nullptr;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, subkey_.c_str(), 0, KEY_ALL_ACCESS, &full), ERROR_SUCCESS)
      << "the key should refuse full access";
  EXPECT_EQ(ListRegistryPorts(HKEY_CURRENT_USER, subkey_.c_str()), std::vector<std::string>{"COM3"});
  SetAccess(L"D:P(A;;KA;;;WD)");  // so that the key can go
}

std::vector<std::string> LabelsOf(const std::vector<SerialPortInfo>& ports) {
  std::vector<std::string> labels;
  for (const auto& port : ports) labels.push_back(PortLabel(port));
  return labels;
}

TEST(DescribedPorts, ListedPortsInNaturalOrderUnderTheirFriendlyNames) {
  struct Case {
    const char* label;
    std::vector<std::string> listed;
    std::map<std::string, std::string> friendly;
    std::vector<std::string> shown;
  };
  const Case cases[] = {
      {"a USB adapter among plain ports",
       {"COM10", "COM3", "COM1"},
       {{"COM3", "USB Serial Port (COM3)"}},
       {"COM1 - シリアルポート", "COM3 - USB Serial Port (COM3)", "COM10 - シリアルポート"}},
      {"printer ports and ports not there now are not offered",
       {"COM4"},
       {{"LPT1", "Printer Port (LPT1)"}, {"COM4", "通信ポート (COM4)"}, {"COM7", "USB-SERIAL CH340 (COM7)"}},
       {"COM4 - 通信ポート (COM4)"}},
      {"no devices known, as under wine", {"COM2", "COM1"}, {}, {"COM1 - シリアルポート", "COM2 - シリアルポート"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const auto ports = DescribedPorts(c.listed, c.friendly);
    EXPECT_EQ(LabelsOf(ports), c.shown);
    for (const auto& port : ports) EXPECT_EQ(port.path, port.name) << "the COM name is what is remembered";
  }
}

// CreateFile finds COM10 and up only as device names; the port box offers bare COM names.
TEST(DevicePath, BareComNamesOpenFromCOM10Up) {
  std::vector<std::unique_ptr<serial::testing::Pty>> ptys;
  while (ptys.empty() || !ptys.back()->path.starts_with("\\\\.\\")) {
    ptys.push_back(std::make_unique<serial::testing::Pty>());
    ASSERT_FALSE(ptys.back()->path.empty());
    ASSERT_LT(ptys.size(), 300u) << "no COM10 and up";
  }
  for (const std::string& bare : {ptys.front()->path, ptys.back()->path.substr(4)}) {
    SCOPED_TRACE(bare);
    serial::SerialPort port;
    EXPECT_TRUE(port.open(DevicePathOf(bare))) << port.lastError().systemText;
  }
}

TEST(DevicePath, PathsStayAsGiven) {
  for (const char* path : {"\\\\.\\COM3", "C:\\ports\\com3", "ports/com3", ""})
    EXPECT_EQ(DevicePathOf(path), path);
}

}  // namespace
}  // namespace brisvel
