#pragma once
// The settings file's place on Linux, as a rule over what the system says, so it can be
// checked without installing anything.
#include <filesystem>
#include <string>

namespace brisvel {

struct ProgramPlace {
  std::filesystem::path executable_directory;
  bool directory_writable = false;  // by the user running the program
  std::string xdg_config_home;      // empty when unset
  std::filesystem::path home;
};

// An installed copy is one under /usr (/usr/local included) or in a folder the user cannot
// write: its brisvel.ini is $XDG_CONFIG_HOME/brisvelremo/brisvel.ini, or
// ~/.config/brisvelremo/brisvel.ini when that variable is unset, empty or relative, as the
// XDG base directory rules say. Any other copy keeps brisvel.ini beside the executable.
std::filesystem::path SettingsFilePathFor(const ProgramPlace& place);

}  // namespace brisvel
