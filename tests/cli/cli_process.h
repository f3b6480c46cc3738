#pragma once
// brisvelremo-cli as a child process in a UTF-8 locale. Define BRISVEL_CLI_PATH.
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"

namespace brisvel::testing_support {

class CliProcess : public ChildProcess {
 public:
  explicit CliProcess(const std::vector<std::string>& args) : ChildProcess(BRISVEL_CLI_PATH, args, {"LC_ALL=C.UTF-8"}) {}
};

struct CliResult {
  std::optional<int> status;  // nothing if it did not end in time
  std::string out;
  std::string err;
};

inline CliResult RunCli(const std::vector<std::string>& args, std::chrono::milliseconds limit = kPatience) {
  CliProcess cli(args);
  CliResult result;
  result.status = cli.WaitExit(limit);
  result.out = cli.Stdout();
  result.err = cli.Stderr();
  return result;
}

}  // namespace brisvel::testing_support
