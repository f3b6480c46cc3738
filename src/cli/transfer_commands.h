#pragma once
// The code list to and from UTF-8 CSV or JSON, for spreadsheets and other programs.
#include <filesystem>
#include <optional>

#include "cli/exchange_formats.h"
#include "cli/terminal.h"

namespace brisvel::cli {

// Writes the code-list file's rows to `output`, or to stdout when there is none. An output
// that is a device, a FIFO or a terminal is written in place (core/files/atomic_file.h). Refuses a
// file that does not load whole, and a name or data text whose bytes would not come back the
// same from Unicode (bytes that are not Shift-JIS, or a second code for one character):
// the message names the row. Returns the exit status.
int RunExport(const std::filesystem::path& file, ExchangeFormat format,
              const std::optional<std::filesystem::path>& output, Terminal& terminal);

// Writes the rows of a CSV or JSON file (the format given, or guessed from the text) as a
// code-list file to `output`, or to stdout when there is none. Refuses a text Shift-JIS cannot
// hold, naming the row; nothing is written then. Returns the exit status.
int RunImport(const std::filesystem::path& input, std::optional<ExchangeFormat> format,
              const std::optional<std::filesystem::path>& output, Terminal& terminal);

}  // namespace brisvel::cli
