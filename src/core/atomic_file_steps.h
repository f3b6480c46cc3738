#pragma once
// The parts of ReplaceFileAtomically that every system shares.
#include <filesystem>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace brisvel::detail {

inline constexpr std::string_view kCannotCreate = "を作成できません";

UserError WriteError();

// Renaming over a symbolic link would turn the link into a plain file.
std::filesystem::path FollowLinks(const std::filesystem::path& path);

// Renaming over a device, a FIFO, a socket or a folder would put a plain file in its place
// (for root, even /dev/null's). Throws the FileError that refuses such a target; a target not
// there yet is a new file.
void RefuseNonRegularTarget(const std::filesystem::path& target, const std::filesystem::path& shown_path);

// Short whatever the target's length, since a target name as long as the folder allows leaves
// no room for a suffix; random, so that the name a killed save left behind is rarely tried
// again.
std::string TempFileName();

}  // namespace brisvel::detail
