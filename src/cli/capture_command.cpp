#include "cli/capture_command.h"

#include <vector>

#include "cli/exit_codes.h"
#include "cli/file_lock.h"
#include "cli/file_text.h"
#include "cli/terminal_user_interface.h"
#include "commands/registration.h"
#include "core/files/atomic_file.h"
#include "core/formats/code_list_file.h"
#include "core/ports/port_list.h"

namespace brisvel::cli {
namespace {

// A name refused, or the platform refusing the monitor thread, is no step of the exchange.
int ExitCodeOf(const AddOutcome& outcome) {
  if (outcome.ended == AddOutcome::Ended::Cancelled) return kExitCancelled;
  return outcome.failed_step ? ExitCodeOfStep(*outcome.failed_step) : kExitRefused;
}

// A link to a file not made yet counts as absent: saving creates the file it names. Anything
// that cannot even be looked at counts as present, so that loading says why.
bool Exists(const std::filesystem::path& file) {
  std::error_code unknown;
  return std::filesystem::status(file, unknown).type() != std::filesystem::file_type::not_found;
}

// The file's rows; none for a file not there yet. Throws UserError for a file that does not
// read whole, which saving would cut short.
std::vector<CodeEntry> LoadWhole(const std::filesystem::path& file) {
  if (!Exists(file)) return {};
  return LoadWholeCodeList(file);
}

// Appends the entry to the file as it is now, rows another writer has added since the capture
// began included. Returns the entry's row.
size_t AppendToFile(const std::filesystem::path& file, const CodeEntry& entry) {
  const FileLock turn(file);
  std::vector<CodeEntry> entries = LoadWhole(file);
  entries.push_back(entry);
  SaveCodeListFile(file, entries);
  return entries.size();
}

}  // namespace

int RunCapture(const CaptureOptions& options, Terminal& terminal) {
  const auto name = terminal.FromLocale(options.name);
  if (!name) {
    terminal.Error("the name is not text in this locale's encoding (" + terminal.codeset() + ")");
    return kExitRefused;
  }
  TerminalUserInterface ui(terminal, *name, options.file);
  // The command line never starts or closes the window, so it needs no settings file, and
  // it saves each capture at once, so it keeps no recovery journal.
  Registration commands(CommandEnvironment{{}, [] { return ListSerialPorts(); }, 30000, {}}, ui);

  // Before the unit is asked, so that a file that cannot be saved at all, or that would lose
  // rows on saving, costs no capture. A FIFO is refused before it is read, which would wait.
  try {
    CheckReplaceable(options.file);
    LoadWhole(options.file);
  } catch (const UserError& error) {
    terminal.Error(error.what());
    terminal.Error(options.file.string() + " was left as it was");
    return kExitFileError;
  }
  const AddOutcome outcome = commands.Add(options.port);
  if (outcome.ended != AddOutcome::Ended::Added) return ExitCodeOf(outcome);
  try {
    const size_t row = AppendToFile(options.file, commands.list().at(0));
    terminal.Error("added as row " + std::to_string(row) + " of " + options.file.string());
    return kExitOk;
  } catch (const UserError& error) {
    terminal.Error(error.what());
    terminal.Error("the code was not added to " + options.file.string());
    return kExitFileError;
  }
}

}  // namespace brisvel::cli
