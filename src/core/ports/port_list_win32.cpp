#include "core/ports/port_list.h"
#include "core/ports/port_list_win32.h"

// With INITGUID, devguid.h defines the device class GUIDs it declares.
#include <initguid.h>
#include <devguid.h>
#include <setupapi.h>

#include <algorithm>

#include "core/formats/wide_text_win32.h"

namespace brisvel {
namespace {

constexpr char kPlainDescription[] = "シリアルポート";

class RegistryKey {
 public:
  // Read access only: full access to the machine's SERIALCOMM key is an administrator's, so
  // asking for it would leave everyone else, and every program not run elevated, without ports.
  RegistryKey(HKEY root, const wchar_t* subkey) {
    if (RegOpenKeyExW(root, subkey, 0, KEY_READ, &key_) != ERROR_SUCCESS) key_ = nullptr;
  }
  explicit RegistryKey(HKEY opened) : key_(opened == INVALID_HANDLE_VALUE ? nullptr : opened) {}
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

// A REG_SZ value, or nothing.
std::optional<std::wstring> StringValue(HKEY key, const wchar_t* name) {
  DWORD bytes = 0;
  if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS) return std::nullopt;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) != ERROR_SUCCESS) return std::nullopt;
  return StringData(text);
}

std::optional<std::wstring> FriendlyNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device) {
  DWORD bytes = 0;
  SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr, nullptr, 0, &bytes);
  if (bytes == 0) return std::nullopt;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  if (!SetupDiGetDeviceRegistryPropertyW(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                         reinterpret_cast<BYTE*>(text.data()), bytes, nullptr))
    return std::nullopt;
  return StringData(text);
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

// The Ports class holds printer ports too; each device's own key says which port it is.
std::map<std::string, std::string> FriendlyPortNames() {
  std::map<std::string, std::string> names;
  const HDEVINFO devices = SetupDiGetClassDevsW(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (devices == INVALID_HANDLE_VALUE) return names;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
    const RegistryKey key(SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
    const auto port = key.get() ? StringValue(key.get(), L"PortName") : std::nullopt;
    const auto friendly = port ? FriendlyNameOf(devices, device) : std::nullopt;
    if (friendly) names[Utf8FromWide(*port)] = Utf8FromWide(*friendly);
  }
  SetupDiDestroyDeviceInfoList(devices);
  return names;
}

// A COM name is already what a user knows it by, and what the port box remembers.
std::vector<SerialPortInfo> DescribedPorts(const std::vector<std::string>& listed,
                                           const std::map<std::string, std::string>& friendly_names) {
  std::vector<SerialPortInfo> ports;
  for (const std::string& name : listed) {
    const auto friendly = friendly_names.find(name);
    ports.push_back({name, name, friendly == friendly_names.end() ? kPlainDescription : friendly->second});
  }
  std::ranges::sort(ports, NaturalLess, &SerialPortInfo::name);
  return ports;
}

std::optional<std::vector<SerialPortInfo>> ListSerialPorts() {
  const auto listed = ListRegistryPorts(HKEY_LOCAL_MACHINE, kSerialCommKey);
  if (!listed) return std::nullopt;
  return DescribedPorts(*listed, FriendlyPortNames());
}

// CreateFile takes a bare name for a file in the current folder, COM1 to COM9 and the other
// old DOS device names excepted; "\\.\" in front makes any name a device's, COM10 and up too.
std::string DevicePathOf(const std::string& port_text) {
  if (port_text.empty() || port_text.find_first_of("\\/:") != std::string::npos) return port_text;
  return "\\\\.\\" + port_text;
}

std::string ShownDeviceName(const std::string& device) {
  constexpr std::string_view kDevicePrefix = "\\\\.\\";
  return device.starts_with(kDevicePrefix) ? device.substr(kDevicePrefix.size()) : device;
}

}  // namespace brisvel
