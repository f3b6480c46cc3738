#pragma once
// Which row of a code-list file a command works on: by its name or its number.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/terminal.h"
#include "core/formats/code_list_file.h"

namespace brisvel::cli {

// A refusal the user has been told of: the exit status it ends the command with.
struct Refused {
  int status;
};

// The file's rows. Throws Refused when it cannot be read whole.
std::vector<CodeEntry> LoadRows(const std::filesystem::path& file, Terminal& terminal);

// The row (from 0) named `locale_name`, which must be the only one so named, or numbered `row`
// from 1. Throws Refused.
std::size_t ChosenRow(const std::vector<CodeEntry>& entries, const std::filesystem::path& file,
                      const std::optional<std::string>& locale_name, std::optional<std::size_t> row,
                      Terminal& terminal);

}  // namespace brisvel::cli
