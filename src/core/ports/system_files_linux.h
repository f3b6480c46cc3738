#pragma once
// Where the Linux parts of the core read what the system says about its devices and
// processes; tests point them at a fake tree.
#include <filesystem>
#include <functional>
#include <string>

namespace brisvel {

struct SystemRoots {
  std::filesystem::path sys = "/sys";
  std::filesystem::path dev = "/dev";
  std::filesystem::path proc = "/proc";
  std::filesystem::path etc_group = "/etc/group";
};

// The first line of a small system file (a sysfs attribute, /proc/<pid>/comm), without its
// line break; empty when the file cannot be read.
std::string FirstLineOf(const std::filesystem::path& file);

// Calls visit for each entry of a folder, stopping quietly where it cannot be read: under
// /proc, processes come and go while the folder is walked.
void ForEachEntry(const std::filesystem::path& folder, const std::function<void(const std::filesystem::path&)>& visit);

}  // namespace brisvel
