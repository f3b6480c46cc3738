#include "port_list.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

namespace brisvel {
namespace {

namespace fs = std::filesystem;

bool HasDriver(const fs::path& tty) {
  std::error_code ec;
  return fs::exists(tty / "device" / "driver", ec);
}

// serial_core publishes the detected UART type; 0 means nothing answered at that address.
bool IsEmptyUartSlot(const fs::path& tty) {
  std::ifstream type(tty / "type");
  int value = -1;
  return type >> value && value == 0;
}

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t i_end = i, j_end = j;
      while (i_end < a.size() && IsDigit(a[i_end])) ++i_end;
      while (j_end < b.size() && IsDigit(b[j_end])) ++j_end;
      std::string_view x = std::string_view(a).substr(i, i_end - i);
      std::string_view y = std::string_view(b).substr(j, j_end - j);
      while (x.size() > 1 && x.front() == '0') x.remove_prefix(1);
      while (y.size() > 1 && y.front() == '0') y.remove_prefix(1);
      if (x.size() != y.size()) return x.size() < y.size();
      if (x != y) return x < y;
      i = i_end;
      j = j_end;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

std::vector<std::string> ListSerialPorts(const fs::path& sysfs_tty, const std::string& dev_dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(sysfs_tty, ec)) {
    const fs::path& tty = entry.path();
    if (HasDriver(tty) && !IsEmptyUartSlot(tty)) names.push_back(tty.filename().string());
  }
  std::ranges::sort(names, NaturalLess);
  for (auto& name : names) name = dev_dir + "/" + name;
  return names;
}

}  // namespace brisvel
