#include "core/places/settings_location_win32.h"

#include <windows.h>
#include <shlobj.h>

#include <system_error>

#include "core/files/atomic_file_steps.h"
#include "core/places/program_location.h"

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

// The folder the installer recorded for this user, if it installed this program.
std::optional<std::filesystem::path> InstalledFolder() {
  wchar_t folder[32768];
  DWORD size = sizeof folder;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\BrisvelRemo", L"InstallFolder", RRF_RT_REG_SZ, nullptr, folder,
                   &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::filesystem::path(folder);
}

// The installer spells the folder its own way: the case of the letters and a closing
// separator may differ from the path the system gives the running executable.
bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
  auto spelled = [](const std::filesystem::path& folder) {
    std::wstring text = folder.lexically_normal().native();
    while (text.size() > 3 && (text.back() == L'\\' || text.back() == L'/')) text.pop_back();
    return text;
  };
  return CompareStringOrdinal(spelled(a).c_str(), -1, spelled(b).c_str(), -1, TRUE) == CSTR_EQUAL;
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
                                          const std::filesystem::path& app_data,
                                          const std::optional<std::filesystem::path>& installed_folder) {
  const bool installed = installed_folder && SameFolder(*installed_folder, executable_directory);
  if (!installed && FolderWritableByUser(executable_directory)) return executable_directory / kSettingsFileName;
  return app_data / kSettingsFolderName / kSettingsFileName;
}

std::filesystem::path SettingsFilePath() {
  const std::filesystem::path executable_directory = ExecutableDirectory();
  std::filesystem::path path = SettingsFilePathFor(executable_directory, RoamingAppData(), InstalledFolder());
  // The settings are written atomically beside their old file, so the folder must exist; a
  // failure shows when the settings are written.
  if (path.parent_path() != executable_directory) {
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
  }
  return path;
}

}  // namespace brisvel
