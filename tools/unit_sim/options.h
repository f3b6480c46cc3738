#pragma once
// The command line: how the simulated unit behaves, including the ways it can misbehave.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "packet.h"

namespace brisvel::unit_sim {

struct Options {
  std::optional<std::chrono::duration<double>> delay;  // none: Enter on stdin sends
  std::optional<std::string> link_path;
  std::optional<Code> fixed_code;                      // none: a new code per capture
  std::uint8_t ack = unit::kAcknowledgement;
  Framing framing;
  bool silent = false;
  bool hang_up = false;  // close the line where the packet would go
};

struct HelpRequested {};
struct UsageError {
  std::string message;
};

using ParseResult = std::variant<Options, HelpRequested, UsageError>;

ParseResult ParseCommandLine(int argc, const char* const* argv);

extern const char* const kUsage;

}  // namespace brisvel::unit_sim
