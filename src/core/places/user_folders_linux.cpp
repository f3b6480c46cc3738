#include "core/places/user_folders.h"
#include "core/places/user_folders_linux.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace brisvel {

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  const passwd* entry = ::getpwuid(::getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "/";
}

std::filesystem::path UserStateFolder() {
  // The XDG rule: only an absolute path counts.
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') return std::filesystem::path(state) / "brisvelremo";
  return HomeFolder() / ".local" / "state" / "brisvelremo";
}

}  // namespace brisvel
