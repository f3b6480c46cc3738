#pragma once
// The command line: how the simulated unit behaves, including the ways it can misbehave.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "packet.h"
#include "signal_render.h"

namespace brisvel::unit_sim {

// The steps of sending a code at which the unit answers: "t", the output, the code bytes.
enum class SendStep { Start, Output, CodeBytes };

// The unit's answer at each step of sending.
struct SendAnswers {
  std::uint8_t start = unit::kAcknowledgement;
  std::uint8_t output = unit::kAcknowledgement;
  std::uint8_t done = unit::kCodeEnd;
};

struct Options {
  std::optional<std::chrono::duration<double>> delay;  // none: Enter on stdin sends
  std::optional<std::string> link_path;
  std::optional<Code> fixed_code;                      // none: a new code per capture
  std::optional<SignalRecipe> signal;                  // a remote's button instead of random bytes
  std::uint8_t ack = unit::kAcknowledgement;
  Framing framing;
  bool silent = false;
  bool hang_up = false;  // close the line where the packet would go
  SendAnswers send_answers;
  std::optional<SendStep> send_silent_at;  // from this step of sending on, say nothing
};

struct HelpRequested {};
struct UsageError {
  std::string message;
};

using ParseResult = std::variant<Options, HelpRequested, UsageError>;

ParseResult ParseCommandLine(int argc, const char* const* argv);

extern const char* const kUsage;

}  // namespace brisvel::unit_sim
