#include "device_link.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace brisvel::unit_sim {
namespace {

bool PointsTo(const std::string& link_path, const std::string& target) {
  std::vector<char> buffer(target.size() + 1);
  ssize_t length = readlink(link_path.c_str(), buffer.data(), buffer.size());
  return length >= 0 && std::string(buffer.data(), static_cast<std::size_t>(length)) == target;
}

}  // namespace

DeviceLink::DeviceLink(std::string link_path, std::string target)
    : link_path_(std::move(link_path)), target_(std::move(target)) {
  struct stat existing {};
  if (lstat(link_path_.c_str(), &existing) == 0) {
    if (!S_ISLNK(existing.st_mode)) {
      throw std::runtime_error(link_path_ + " exists and is not a symbolic link");
    }
    if (unlink(link_path_.c_str()) != 0) {
      throw std::system_error(errno, std::generic_category(), "unlink " + link_path_);
    }
  }
  if (symlink(target_.c_str(), link_path_.c_str()) != 0) {
    throw std::system_error(errno, std::generic_category(), "symlink " + link_path_);
  }
}

DeviceLink::~DeviceLink() {
  // Another simulator started later may have taken the name over; its link stays.
  if (PointsTo(link_path_, target_)) unlink(link_path_.c_str());
}

}  // namespace brisvel::unit_sim
