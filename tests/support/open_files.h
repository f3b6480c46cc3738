#pragma once
// Whether this process still has a file open, by its path: how a test sees that a port was
// released even when the device itself is gone (an unplugged adapter's node is removed).
#include <unistd.h>

#include <filesystem>
#include <string>

namespace brisvel::testing_support {

inline bool HoldsFile(const std::string& path) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string target = std::filesystem::read_symlink(it->path(), ec).string();
    if (!ec && (target == path || target == path + " (deleted)")) return true;
  }
  return false;
}

}  // namespace brisvel::testing_support
