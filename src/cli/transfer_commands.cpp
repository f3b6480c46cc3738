#include "cli/transfer_commands.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/file_text.h"
#include "core/files/atomic_file.h"
#include "commands/messages.h"
#include "core/formats/code_list_file.h"
#include "core/formats/sjis.h"

namespace brisvel::cli {
namespace {

// Refusals name the row; the exit status comes with them.
struct Refusal {
  std::string message;
  ExitCode code;
};

std::string RowLabel(size_t index) { return "row " + std::to_string(index + 1); }

// Shift-JIS bytes as Unicode, only when encoding that gives the same bytes back.
std::optional<std::string> ExactUtf8(std::string_view sjis_text) {
  std::string utf8 = sjis::ToUtf8(sjis_text);
  if (sjis::FromUtf8(utf8) != sjis_text) return std::nullopt;
  return utf8;
}

// Each row's Shift-JIS texts go as their Unicode copies come, so the list is held once.
std::vector<TextRow> ToTextRows(std::vector<CodeEntry> entries) {
  std::vector<TextRow> rows;
  rows.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    auto name = ExactUtf8(entries[i].name);
    auto data = ExactUtf8(*entries[i].data);
    if (!name || !data) {
      throw Refusal{RowLabel(i) + ": the " + (name ? "data text" : "name") +
                        " is not Shift-JIS that converts to Unicode and back unchanged",
                    kExitRefused};
    }
    entries[i] = {};
    rows.push_back({std::move(*name), std::move(*data)});
  }
  return rows;
}

std::string ToShiftJis(const std::string& utf8, size_t index) {
  if (utf8.find('\0') != std::string::npos) {
    throw Refusal{RowLabel(index) + ": a NUL character cannot be kept in a code-list file", kExitRefused};
  }
  auto bytes = sjis::FromUtf8(utf8);
  if (!bytes) throw Refusal{RowLabel(index) + ": " + NotShiftJisMessage(utf8), kExitRefused};
  return std::move(*bytes);
}

std::vector<CodeEntry> ToEntries(const std::vector<TextRow>& rows) {
  std::vector<CodeEntry> entries;
  entries.reserve(rows.size());
  for (size_t i = 0; i < rows.size(); ++i) entries.push_back({ToShiftJis(rows[i].name, i), ToShiftJis(rows[i].data, i)});
  return entries;
}

std::vector<CodeEntry> LoadWhole(const std::filesystem::path& file) {
  LoadedCodeList loaded = LoadCodeListFile(file);
  if (loaded.unread) throw Refusal{UnreadLinesMessage(*loaded.unread), kExitRefused};
  if (loaded.error) {
    throw Refusal{RowLabel(loaded.entries.size()) + " cannot be read: " + loaded.error->what(), kExitFileError};
  }
  return std::move(loaded.entries);
}

void WriteOut(const std::optional<std::filesystem::path>& output, std::string_view bytes) {
  if (output) {
    WriteOutputFile(*output, bytes);
    return;
  }
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
    throw Refusal{"cannot write to standard output", kExitFileError};
  }
}

// Runs a transfer: a refusal or a file that cannot be read or written is reported, and
// nothing is written.
template <typename Body>
int Transfer(Terminal& terminal, Body body) {
  try {
    body();
    return kExitOk;
  } catch (const Refusal& refusal) {
    terminal.Error(refusal.message);
    return refusal.code;
  } catch (const FormatError& error) {
    terminal.Error(error.what());
    return kExitRefused;
  } catch (const UserError& error) {
    terminal.Error(error.what());
    return kExitFileError;
  }
}

}  // namespace

int RunExport(const std::filesystem::path& file, ExchangeFormat format,
              const std::optional<std::filesystem::path>& output, Terminal& terminal) {
  return Transfer(terminal, [&] {
    // At most two copies of the list at a time: the rows go once their text is made.
    std::string text = WriteExchange(format, ToTextRows(LoadWhole(file)));
    WriteOut(output, text);
  });
}

int RunImport(const std::filesystem::path& input, std::optional<ExchangeFormat> format,
              const std::optional<std::filesystem::path>& output, Terminal& terminal) {
  return Transfer(terminal, [&] {
    const WholeFile file = ReadWholeFile(input);
    const auto rows = ReadExchange(format.value_or(GuessExchangeFormat(file.bytes())), file.bytes());
    WriteOut(output, FormatCodeList(ToEntries(rows)));
  });
}

}  // namespace brisvel::cli
