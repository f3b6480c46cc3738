#pragma once
// One capture, from the start byte to the code: the port, configured for the unit, and the
// receive dialog's waits between the exchange's steps. What the dialog says, how long it
// stays hidden and how each wait ends the capture are decided here, once for every front end.
#include <chrono>
#include <string>

#include "commands/unit_line.h"
#include "commands/user_interface.h"
#include "unit/protocol.h"

namespace brisvel {

// Captures one code from the unit at `device`, waiting in `dialog`, which is left up. Throws
// unit::ExchangeError for a failed step (a unit silent for `reply_limit` fails the read),
// ExchangeCancelled, or serial::ThreadError. The port is closed when it returns or throws.
unit::Code CaptureCode(ReceiveDialog& dialog, const std::string& device, std::chrono::milliseconds reply_limit);

}  // namespace brisvel
