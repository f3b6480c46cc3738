#include <windows.h>
#include <shlobj.h>

#include "core/places/user_folders.h"

namespace brisvel {

// Local, not roaming: the recovery files belong to this machine's runs.
std::filesystem::path UserStateFolder() {
  wchar_t* local = nullptr;
  std::filesystem::path folder;
  if (SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &local) == S_OK) folder = local;
  CoTaskMemFree(local);
  if (folder.empty()) folder = std::filesystem::temp_directory_path();
  return folder / "BrisvelRemo";
}

}  // namespace brisvel
