#include <windows.h>

#include <string>

#include "core/places/program_location.h"

namespace brisvel {

// The wide form: a folder name in any script survives, whatever the ANSI code page.
std::filesystem::path ExecutableDirectory() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length < name.size()) return std::filesystem::path(name.substr(0, length)).parent_path();
    name.resize(name.size() * 2);
  }
}

}  // namespace brisvel
