#include "cli/send_command.h"

#include <vector>

#include "cli/exit_codes.h"
#include "cli/row_choice.h"
#include "cli/terminal_user_interface.h"
#include "cli/wait_loop.h"
#include "core/ports/port_list.h"

namespace brisvel::cli {
namespace {

// The list to send from and the row within it. Throws Refused.
std::pair<std::vector<CodeEntry>, std::size_t> RowToSend(const SendOptions& options, Terminal& terminal) {
  if (options.data) return {{{"--data", *options.data}}, 0};
  std::vector<CodeEntry> entries = LoadRows(*options.file, terminal);
  const std::size_t row = ChosenRow(entries, *options.file, options.name, options.row, terminal);
  return {std::move(entries), row};
}

int ExitCodeOf(const SendOutcome& outcome) {
  if (outcome.ended == SendOutcome::Ended::Sent) return kExitOk;
  if (outcome.failed_step) return ExitCodeOfStep(*outcome.failed_step);
  return Interruption::Requested() ? kExitCancelled : kExitRefused;
}

}  // namespace

int RunSend(const SendOptions& options, Terminal& terminal) {
  try {
    auto [entries, row] = RowToSend(options, terminal);
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
