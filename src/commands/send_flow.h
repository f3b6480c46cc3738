#pragma once
// Sending one code: the port, configured for the unit, and the receive dialog's wait for each
// of the unit's answers, decided here once for every front end.
#include <chrono>
#include <string>

#include "commands/unit_line.h"
#include "commands/user_interface.h"
#include "unit/protocol.h"

namespace brisvel {

// Has the unit at `device` emit `code` from `output` (1 to unit::kOutputCount), waiting in
// `dialog`, which shows only for a unit slow to answer. Throws unit::ExchangeError for a
// failed step (an answer later than `reply_limit` fails the read), ExchangeCancelled, or
// serial::ThreadError. The port is closed when it returns or throws.
void SendCode(ReceiveDialog& dialog, const std::string& device, int output, const unit::Code& code,
              std::chrono::milliseconds reply_limit);

}  // namespace brisvel
