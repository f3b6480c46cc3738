#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "core/formats/code_list_file.h"

namespace brisvel::cli {

// Says which lines a NUL byte kept from being read: where they start and how many they are.
std::string UnreadLinesMessage(const UnreadLines& unread);

// The file's rows. Throws UserError for a file that cannot be read or does not read whole.
std::vector<CodeEntry> LoadWholeCodeList(const std::filesystem::path& file);

}  // namespace brisvel::cli
