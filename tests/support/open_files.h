#pragma once
// What this process still has open: how a test sees that a port was released even when the
// device itself is gone (an unplugged adapter's node is removed, its COM port unlisted).
#include <set>
#include <string>

namespace brisvel::testing_support {

// One name per open file: its path on Linux (" (deleted)" after it once the node is gone), the
// object's name on Windows (under wine, the Unix path behind a COM port).
std::multiset<std::string> OpenFiles();

// Whether the device at this Linux path is among them.
inline bool HoldsFile(const std::string& path) {
  const auto open = OpenFiles();
  return open.contains(path) || open.contains(path + " (deleted)");
}

}  // namespace brisvel::testing_support
