#pragma once
// Sending a code, step by step, apart from the waits for the unit's answers, which are the
// commands' (commands/send_flow): "t" out, "Y" back, the output out, "Y" back, the code out,
// "E" back.
#include "serial/rs232c.h"
#include "unit/line.h"
#include "unit/protocol.h"

namespace brisvel::unit {

// Opens the port and asks the unit to send.
void StartSend(serial::Trs232c& port);
// The output to emit from, 1 to kOutputCount.
void SelectOutput(serial::Trs232c& port, int output);
void WriteCode(serial::Trs232c& port, const Code& code);
// Reads the unit's word that the code went out and closes the port.
void ReadSendEnd(serial::Trs232c& port);

}  // namespace brisvel::unit
