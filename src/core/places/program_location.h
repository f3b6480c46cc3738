#pragma once
#include <filesystem>

namespace brisvel {

// The folder holding the running executable.
std::filesystem::path ExecutableDirectory();

// The settings file, brisvel.ini: beside the executable while the program runs from a folder of
// the user's own (a build or a portable copy), in the user's configuration folder once it is
// installed, where the folder is made if need be. The rule telling the two apart is the
// system's own.
std::filesystem::path SettingsFilePath();

}  // namespace brisvel
