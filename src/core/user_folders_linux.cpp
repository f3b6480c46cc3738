#include "core/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace brisvel {
namespace {

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = getpwuid(getuid())) return entry->pw_dir;
  return std::filesystem::temp_directory_path();
}

}  // namespace

std::filesystem::path UserStateFolder() {
  // The XDG rule: only an absolute path counts.
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') return std::filesystem::path(state) / "brisvelremo";
  return HomeFolder() / ".local" / "state" / "brisvelremo";
}

}  // namespace brisvel
