#pragma once
// The command line's exit statuses; the manual page lists them for users.
#include "unit/protocol.h"

namespace brisvel::cli {

enum ExitCode : int {
  kExitOk = 0,
  kExitRefused = 1,     // check: problems found; elsewhere: a name or row refused, other failures
  kExitFileError = 2,   // a file could not be read (or only in part) or written
  kExitOpen = 3,        // capture, send: "error -- open"
  kExitWrite = 4,       // capture, send: "error -- write"
  kExitRead = 5,        // capture, send: "error -- read"
  kExitNotY = 6,        // capture, send: "error -- not Y($59)"
  kExitNotS = 7,        // capture: "error -- not S($53)"
  kExitNotE = 8,        // capture, send: "error -- not E($45)"
  kExitUsage = 64,      // a command line that cannot be understood
  kExitCancelled = 130, // Ctrl-C or SIGTERM, as a shell reports SIGINT
};

// The status of the exchange's step that failed.
inline int ExitCodeOfStep(unit::Failure step) {
  switch (step) {
    case unit::Failure::Open: return kExitOpen;
    case unit::Failure::Write: return kExitWrite;
    case unit::Failure::Read: return kExitRead;
    case unit::Failure::NotAcknowledged: return kExitNotY;
    case unit::Failure::NotPacketStart: return kExitNotS;
    case unit::Failure::NotCodeEnd: return kExitNotE;
  }
  return kExitRefused;
}

}  // namespace brisvel::cli
