#pragma once
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/terminal.h"
#include "commands/registration.h"

namespace brisvel::cli {

// The code to send: a row of a code-list file, by its name or its number, or a data text.
struct SendOptions {
  std::string port;
  std::optional<std::filesystem::path> file;
  std::optional<std::string> name;  // as given, in the locale's encoding
  std::optional<std::size_t> row;   // counted from 1
  std::optional<std::string> data;  // 480 hexadecimal digits
  int output = kFirstOutput;
};

// Has the unit on the port emit the code from the output. Returns the exit status.
int RunSend(const SendOptions& options, Terminal& terminal);

}  // namespace brisvel::cli
