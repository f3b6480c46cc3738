// The port list from a scratch key of the test's own: wine fills the machine's SERIALCOMM key
// itself, and nobody can write there without administrator rights.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/port_list_win32.h"

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

}  // namespace
}  // namespace brisvel
