// brisvelremo-cli: the registration tool's capture and sending, and checks and conversions of its
// code-list files, for machines without a screen.
#include <clocale>
#include <exception>

#include "cli/capture_command.h"
#include "cli/check_command.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/send_command.h"
#include "cli/show_command.h"
#include "cli/terminal.h"
#include "cli/transfer_commands.h"
#include "cli/wait_loop.h"
#include "commands/messages.h"
#include "core/ports/port_list.h"

namespace brisvel::cli {
namespace {

int ListPorts(Terminal& terminal) {
  const auto ports = ListSerialPorts().value_or(std::vector<SerialPortInfo>{});
  for (const SerialPortInfo& port : ports) terminal.Out(port.path + "\t" + PortLabel(port));
  if (ports.empty()) terminal.Error(kNoSerialPortMessage);
  return ports.empty() ? kExitRefused : kExitOk;
}

int Run(const Command& command, Terminal& terminal) {
  switch (command.kind) {
    case Command::Kind::Help:
      terminal.Out(kUsage);
      return kExitOk;
    case Command::Kind::Version:
      terminal.Out("brisvelremo-cli " BRISVEL_VERSION);
      return kExitOk;
    case Command::Kind::Ports:
      return ListPorts(terminal);
    case Command::Kind::Capture:
      // Before the serial link starts its monitor thread, which inherits the signal mask.
      Interruption::Install();
      return RunCapture(command.capture, terminal);
    case Command::Kind::Send:
      Interruption::Install();
      return RunSend(command.send, terminal);
    case Command::Kind::Show:
      return RunShow(command.show, terminal);
    case Command::Kind::Check:
      return RunCheck(command.file, terminal);
    case Command::Kind::Export:
      return RunExport(command.file, *command.format, command.output, terminal);
    case Command::Kind::Import:
      return RunImport(command.file, command.format, command.output, terminal);
  }
  return kExitUsage;
}

}  // namespace
}  // namespace brisvel::cli

int main(int argc, char** argv) {
  using namespace brisvel::cli;
  std::setlocale(LC_ALL, "");
  try {
    Terminal terminal;
    try {
      return Run(ParseCommandLine(Terminal::Arguments(argc, argv)), terminal);
    } catch (const UsageError& error) {
      terminal.Error(std::string("brisvelremo-cli: ") + error.what());
      terminal.Error("Try 'brisvelremo-cli --help'.");
      return kExitUsage;
    } catch (const std::exception& error) {
      terminal.Error(error.what());
      return kExitRefused;
    }
  } catch (const std::exception& error) {
    // The locale's encoding is one the system cannot convert.
    std::fprintf(stderr, "brisvelremo-cli: %s\n", error.what());
    return kExitRefused;
  }
}
