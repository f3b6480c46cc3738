#include "cli/send_command.h"

#include <vector>

#include "cli/exit_codes.h"
#include "cli/file_text.h"
#include "cli/terminal_user_interface.h"
#include "cli/wait_loop.h"
#include "core/formats/sjis.h"
#include "core/ports/port_list.h"

namespace brisvel::cli {
namespace {

// A refusal the user has been told of: the exit status it ends the command with.
struct Refused {
  int status;
};

std::string RowNumbers(const std::vector<std::size_t>& rows) {
  std::string text;
  for (std::size_t row : rows) text += (text.empty() ? "" : ", ") + std::to_string(row + 1);
  return text;
}

// The row named so, which must be the only one. Throws Refused.
std::size_t RowNamed(const std::vector<CodeEntry>& entries, const std::string& locale_name, Terminal& terminal) {
  const auto utf8 = terminal.FromLocale(locale_name);
  const auto bytes = utf8 ? sjis::FromUtf8(*utf8) : std::nullopt;
  std::vector<std::size_t> rows;
  for (std::size_t row = 0; row < entries.size(); ++row)
    if (bytes && entries[row].name == *bytes) rows.push_back(row);
  if (rows.size() == 1) return rows.front();
  terminal.Error(rows.empty() ? "no row is named " + locale_name
                              : "rows " + RowNumbers(rows) + " are all named " + locale_name + "; choose one with --row");
  throw Refused{kExitRefused};
}

// The list to send from and the row within it. Throws Refused.
std::pair<std::vector<CodeEntry>, std::size_t> ChosenRow(const SendOptions& options, Terminal& terminal) {
  if (options.data) return {{{"--data", *options.data}}, 0};
  std::vector<CodeEntry> entries;
  try {
    entries = LoadWholeCodeList(*options.file);
  } catch (const UserError& error) {
    terminal.Error(error.what());
    throw Refused{kExitFileError};
  }
  if (options.name) {
    const std::size_t row = RowNamed(entries, *options.name, terminal);
    return {std::move(entries), row};
  }
  if (*options.row == 0 || *options.row > entries.size()) {
    terminal.Error(options.file->string() + " has no row " + std::to_string(*options.row) + " (it has " +
                   std::to_string(entries.size()) + ")");
    throw Refused{kExitRefused};
  }
  return {std::move(entries), *options.row - 1};
}

int ExitCodeOf(const SendOutcome& outcome) {
  if (outcome.ended == SendOutcome::Ended::Sent) return kExitOk;
  if (outcome.failed_step) return ExitCodeOfStep(*outcome.failed_step);
  return Interruption::Requested() ? kExitCancelled : kExitRefused;
}

}  // namespace

int RunSend(const SendOptions& options, Terminal& terminal) {
  try {
    auto [entries, row] = ChosenRow(options, terminal);
    TerminalUserInterface ui(terminal, {}, {});
    // As for a capture: no settings file and no recovery journal on the command line.
    CommandEnvironment environment{{}, [] { return ListSerialPorts(); }, 30000, {}};
    Registration commands(environment, ui);
    commands.list().replaceAll(std::move(entries));
    return ExitCodeOf(commands.Send(row, options.output, options.port));
  } catch (const Refused& refused) {
    return refused.status;
  }
}

}  // namespace brisvel::cli
