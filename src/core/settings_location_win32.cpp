#include "core/settings_location_win32.h"

#include <windows.h>
#include <shlobj.h>

#include <system_error>

#include "core/atomic_file_steps.h"
#include "core/program_location.h"

namespace brisvel {
namespace {

constexpr wchar_t kSettingsFileName[] = L"brisvel.ini";
constexpr wchar_t kSettingsFolderName[] = L"BrisvelRemo";

// Roaming, as %APPDATA% is: the chosen port follows the user to another machine of the domain.
std::filesystem::path RoamingAppData() {
  wchar_t* roaming = nullptr;
  std::filesystem::path folder;
  if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &roaming) == S_OK) folder = roaming;
  CoTaskMemFree(roaming);
  return folder;
}

}  // namespace

// Deleted on close: a probe that outlived a crash would be litter beside the executable.
bool FolderWritableByUser(const std::filesystem::path& folder) {
  const std::filesystem::path probe = folder / detail::TempFileName();
  const HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::filesystem::path SettingsFilePathFor(const std::filesystem::path& executable_directory,
                                          const std::filesystem::path& app_data) {
  if (FolderWritableByUser(executable_directory)) return executable_directory / kSettingsFileName;
  return app_data / kSettingsFolderName / kSettingsFileName;
}

std::filesystem::path SettingsFilePath() {
  const std::filesystem::path executable_directory = ExecutableDirectory();
  std::filesystem::path path = SettingsFilePathFor(executable_directory, RoamingAppData());
  // The settings are written atomically beside their old file, so the folder must exist; a
  // failure shows when the settings are written.
  if (path.parent_path() != executable_directory) {
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
  }
  return path;
}

}  // namespace brisvel
