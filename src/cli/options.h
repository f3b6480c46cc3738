#pragma once
// The command line: a subcommand and its options.
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/capture_command.h"
#include "cli/exchange_formats.h"
#include "cli/send_command.h"
#include "cli/show_command.h"

namespace brisvel::cli {

extern const char* const kUsage;

// A command line that cannot be understood; what() says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Command {
  enum class Kind { Help, Version, Ports, Capture, Send, Show, Check, Export, Import };
  Kind kind = Kind::Help;
  CaptureOptions capture;
  SendOptions send;
  ShowOptions show;
  std::filesystem::path file;  // check, export: the code list; import: the input
  std::optional<std::filesystem::path> output;  // export, import: stdout when there is none
  std::optional<ExchangeFormat> format;
};

// Throws UsageError.
Command ParseCommandLine(const std::vector<std::string>& args);

}  // namespace brisvel::cli
