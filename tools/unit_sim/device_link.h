#pragma once
// A fixed name for the device, because the pseudo-terminal's number changes every run.
#include <string>

namespace brisvel::unit_sim {

class DeviceLink {
 public:
  // Replaces a symbolic link already at link_path, but nothing else; throws
  // std::system_error, or std::runtime_error when something else is in the way.
  DeviceLink(std::string link_path, std::string target);
  ~DeviceLink();
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

 private:
  std::string link_path_;
  std::string target_;
};

}  // namespace brisvel::unit_sim
