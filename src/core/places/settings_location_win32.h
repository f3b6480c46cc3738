#pragma once
// The settings file's place on Windows, as a rule over a folder given to it, so that it can
// be checked on real folders without installing anything.
#include <filesystem>
#include <optional>

namespace brisvel {

// Whether this user may create files in `folder`. A file is made there and gone again at
// once: attributes and access lists tell a copy under Program Files from an unpacked one
// less surely than the attempt does.
bool FolderWritableByUser(const std::filesystem::path& folder);

// A copy the installer put in place (its folder is `installed_folder`, as recorded for this
// user) keeps brisvel.ini in <app_data>\BrisvelRemo\brisvel.ini, where uninstalling leaves it,
// although a per-user install folder is writable. Any other copy whose folder this user may
// write (a portable copy, an unpacked zip, a build) keeps it beside the executable; one under
// Program Files keeps it in <app_data> too.
std::filesystem::path SettingsFilePathFor(const std::filesystem::path& executable_directory,
                                          const std::filesystem::path& app_data,
                                          const std::optional<std::filesystem::path>& installed_folder);

}  // namespace brisvel
