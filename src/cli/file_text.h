#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "core/formats/code_list_file.h"

namespace brisvel::cli {

// Says which lines a NUL byte kept from being read: where they start and how many they are.
std::string UnreadLinesMessage(const UnreadLines& unread);

// Writes a command's output file. A device, a FIFO or a terminal (/dev/null, /dev/stdout, or a
// link to one) takes the bytes in place, as a shell's redirection would give them; any other
// file is replaced atomically, which refuses a folder. Throws the UserError to show.
void WriteOutputFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace brisvel::cli
