#pragma once
#include <filesystem>
#include <string>

#include "cli/terminal.h"

namespace brisvel::cli {

struct CaptureOptions {
  std::string port;
  std::string name;  // as given, in the locale's encoding
  std::filesystem::path file;
};

// Captures one code from the unit on the port and appends it, under the name, to the
// code-list file, which is created when absent. Returns the exit status.
int RunCapture(const CaptureOptions& options, Terminal& terminal);

}  // namespace brisvel::cli
