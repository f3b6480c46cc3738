#pragma once
// The command line's exit statuses; the manual page lists them for users.

namespace brisvel::cli {

enum ExitCode : int {
  kExitOk = 0,
  kExitRefused = 1,     // check: problems found; elsewhere: a name or row refused, other failures
  kExitFileError = 2,   // a file could not be read (or only in part) or written
  kExitOpen = 3,        // capture: "error -- open"
  kExitWrite = 4,       // capture: "error -- write"
  kExitRead = 5,        // capture: "error -- read"
  kExitNotY = 6,        // capture: "error -- not Y($59)"
  kExitNotS = 7,        // capture: "error -- not S($53)"
  kExitNotE = 8,        // capture: "error -- not E($45)"
  kExitUsage = 64,      // a command line that cannot be understood
  kExitCancelled = 130, // Ctrl-C or SIGTERM, as a shell reports SIGINT
};

}  // namespace brisvel::cli
