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

// Short whatever the target's length, since a target name as long as the folder allows leaves
// no room for a suffix; random, so that the name a killed save left behind is rarely tried
// again.
std::string TempFileName();

}  // namespace brisvel::detail
