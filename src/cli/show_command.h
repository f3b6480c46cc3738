#pragma once
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/terminal.h"

namespace brisvel::cli {

// Rows of a code-list file to show: all of them, or one by its name or its number.
struct ShowOptions {
  std::filesystem::path file;
  std::optional<std::string> name;  // as given, in the locale's encoding
  std::optional<std::size_t> row;   // counted from 1
  std::optional<std::filesystem::path> svg;  // the one row's pulse picture goes there
};

// Prints each row's number and name, its decoded line and its pulses in block characters.
// Returns the exit status.
int RunShow(const ShowOptions& options, Terminal& terminal);

}  // namespace brisvel::cli
