#pragma once
#include <filesystem>

#include "cli/terminal.h"

namespace brisvel::cli {

// Reports on stdout what in a code-list file would not survive the tool: lines that saving
// would write differently, rows without data, data that is not a captured code, and codes
// listed twice. Returns 0 when there is nothing to report, 1 when there is, 2 when the file
// cannot be read.
int RunCheck(const std::filesystem::path& file, Terminal& terminal);

}  // namespace brisvel::cli
