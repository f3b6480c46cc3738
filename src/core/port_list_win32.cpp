#include "core/port_list.h"
#include "core/port_list_win32.h"

#include "core/wide_text_win32.h"

namespace brisvel {
namespace {

class RegistryKey {
 public:
  RegistryKey(HKEY root, const wchar_t* subkey) {
    if (RegOpenKeyExW(root, subkey, 0, KEY_ALL_ACCESS, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  ~RegistryKey() {
    if (key_) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Registry strings need not end in a NUL; one or more at the end are not part of the text.
std::wstring StringData(const std::wstring& data) {
  const size_t end = data.find_last_not_of(L'\0');
  return end == std::wstring::npos ? std::wstring() : data.substr(0, end + 1);
}

}  // namespace

std::optional<std::vector<std::string>> ListRegistryPorts(HKEY root, const wchar_t* subkey) {
  const RegistryKey key(root, subkey);
  if (!key.get()) return std::nullopt;
  DWORD count = 0, longest_name = 0, longest_data = 0;
  if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest_name,
                       &longest_data, nullptr, nullptr) != ERROR_SUCCESS)
    return std::vector<std::string>{};
  std::vector<std::string> ports;
  std::wstring name(longest_name + 1, L'\0');
  std::wstring data(longest_data / sizeof(wchar_t) + 1, L'\0');
  for (DWORD index = 0; index < count; ++index) {
    DWORD name_size = static_cast<DWORD>(name.size());
    DWORD data_size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    DWORD type = 0;
    if (RegEnumValueW(key.get(), index, name.data(), &name_size, nullptr, &type,
                      reinterpret_cast<BYTE*>(data.data()), &data_size) != ERROR_SUCCESS)
      continue;
    if (type == REG_SZ) ports.push_back(Utf8FromWide(StringData(data.substr(0, data_size / sizeof(wchar_t)))));
  }
  return ports;
}

// A COM name is already what a user knows it by and what opens it.
std::vector<SerialPortInfo> ListSerialPorts() {
  std::vector<SerialPortInfo> ports;
  for (std::string& name : ListRegistryPorts(HKEY_LOCAL_MACHINE, kSerialCommKey).value_or(std::vector<std::string>{}))
    ports.push_back({name, name, "シリアルポート"});
  return ports;
}

// Port names go to CreateFile unchanged.
std::string DevicePathOf(const std::string& port_text) { return port_text; }

}  // namespace brisvel
