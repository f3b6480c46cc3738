#pragma once
#include <string>

#include "core/formats/code_list_file.h"

namespace brisvel::cli {

// Says which lines a NUL byte kept from being read: where they start and how many they are.
std::string UnreadLinesMessage(const UnreadLines& unread);

}  // namespace brisvel::cli
