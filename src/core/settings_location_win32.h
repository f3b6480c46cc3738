#pragma once
// The settings file's place on Windows, as a rule over a folder given to it, so that it can
// be checked on real folders without installing anything.
#include <filesystem>

namespace brisvel {

// Whether this user may create files in `folder`. A file is made there and gone again at
// once: attributes and access lists tell a copy under Program Files from an unpacked one
// less surely than the attempt does.
bool FolderWritableByUser(const std::filesystem::path& folder);

// A copy whose folder this user may write (a portable copy, an unpacked zip, a build) keeps
// brisvel.ini beside the executable; an installed one keeps it in
// <app_data>\BrisvelRemo\brisvel.ini.
std::filesystem::path SettingsFilePathFor(const std::filesystem::path& executable_directory,
                                          const std::filesystem::path& app_data);

}  // namespace brisvel
