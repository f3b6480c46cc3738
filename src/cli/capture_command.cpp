#include "cli/capture_command.h"

#include <string_view>

#include "cli/exit_codes.h"
#include "cli/terminal_user_interface.h"
#include "cli/wait_loop.h"
#include "commands/registration.h"
#include "core/capture_exchange.h"
#include "core/port_list.h"

namespace brisvel::cli {
namespace {

struct FailureExit {
  std::string_view message;
  ExitCode code;
};

constexpr FailureExit kFailureExits[] = {
    {capture_failure::kOpen, kExitOpen}, {capture_failure::kWrite, kExitWrite},
    {capture_failure::kRead, kExitRead}, {capture_failure::kNotY, kExitNotY},
    {capture_failure::kNotS, kExitNotS}, {capture_failure::kNotE, kExitNotE},
};

// The shown text's first line names the step; the lines below explain it.
int ExitCodeOfCaptureFailure(const std::string& message) {
  if (Interruption::Requested()) return kExitCancelled;
  const std::string_view step = std::string_view(message).substr(0, message.find('\n'));
  for (const FailureExit& failure : kFailureExits) {
    if (failure.message == step) return failure.code;
  }
  return kExitRefused;  // the name, or the platform refusing the monitor thread
}

// A link to a file not made yet counts as absent: saving creates the file it names. Anything
// that cannot even be looked at counts as present, so that loading says why.
bool Exists(const std::filesystem::path& file) {
  std::error_code unknown;
  return std::filesystem::status(file, unknown).type() != std::filesystem::file_type::not_found;
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

  // The file is read before the unit is asked, so a file that would lose rows on saving
  // costs no capture.
  if (Exists(options.file)) {
    commands.Load();
    if (!ui.shown().empty()) {
      terminal.Error(options.file.string() + " was left as it was");
      return kExitFileError;
    }
  }
  const size_t rows_before = commands.list().size();
  commands.Add(options.port);
  if (commands.list().size() == rows_before) {
    return ui.shown().empty() ? kExitRefused : ExitCodeOfCaptureFailure(ui.shown().back());
  }
  commands.Save();
  if (commands.list().modified()) return kExitFileError;  // the old file is still whole
  terminal.Error("added as row " + std::to_string(commands.list().size()) + " of " + options.file.string());
  return kExitOk;
}

}  // namespace brisvel::cli
