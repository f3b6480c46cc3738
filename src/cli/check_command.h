#pragma once
#include <filesystem>

#include "cli/terminal.h"

namespace brisvel::cli {

// Reports on stdout what in a code-list file would not survive the tool: lines that saving
// would write differently, rows without data, data that is not a captured code, and codes
// listed twice; then hints at codes cut off or of no known format. Returns 0 when there is
// no problem (hints or not), 1 when there is, 2 when the file cannot be read.
int RunCheck(const std::filesystem::path& file, Terminal& terminal);

}  // namespace brisvel::cli
