#include "core/places/settings_location_linux.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "core/places/program_location.h"
#include "core/places/user_folders_linux.h"

namespace brisvel {
namespace {

constexpr char kSettingsFileName[] = "brisvel.ini";
constexpr char kConfigFolderName[] = "brisvelremo";

// /usr/local is the prefix of a plain `cmake --install`; the package installs into /usr.
// Even root, who could write there, must not keep settings among the system's programs.
bool IsUnderUsr(const std::filesystem::path& folder) {
  auto part = folder.begin();
  return part != folder.end() && *part == "/" && ++part != folder.end() && *part == "usr";
}

std::filesystem::path ConfigHome(const ProgramPlace& place) {
  const std::filesystem::path xdg = place.xdg_config_home;
  if (xdg.is_absolute()) return xdg;
  return place.home / ".config";
}

}  // namespace

std::filesystem::path SettingsFilePathFor(const ProgramPlace& place) {
  if (place.directory_writable && !IsUnderUsr(place.executable_directory)) {
    return place.executable_directory / kSettingsFileName;
  }
  return ConfigHome(place) / kConfigFolderName / kSettingsFileName;
}

std::filesystem::path SettingsFilePath() {
  ProgramPlace place;
  place.executable_directory = ExecutableDirectory();
  place.directory_writable = ::access(place.executable_directory.c_str(), W_OK) == 0;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME")) place.xdg_config_home = xdg;
  place.home = HomeFolder();
  std::filesystem::path path = SettingsFilePathFor(place);
  // The settings are written atomically beside their old file, so the folder must exist.
  // 0700 as the XDG rules ask; a failure shows when the settings are written.
  if (path.parent_path() != place.executable_directory) {
    std::error_code ignored;
    if (std::filesystem::create_directories(path.parent_path(), ignored)) {
      ::chmod(path.parent_path().c_str(), 0700);
    }
  }
  return path;
}

}  // namespace brisvel
