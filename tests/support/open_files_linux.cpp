#include "open_files.h"

#include <filesystem>

namespace brisvel::testing_support {

std::multiset<std::string> OpenFiles() {
  std::multiset<std::string> open;
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/proc/self/fd", ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code gone;  // the directory's own descriptor, closed by now
    const auto target = std::filesystem::read_symlink(it->path(), gone);
    if (!gone) open.insert(target.string());
  }
  return open;
}

}  // namespace brisvel::testing_support
