#pragma once
// The capture exchange, step by step, apart from the waits between the steps, which are the
// commands' (commands/capture_flow): "r" out, "Y" back, then the packet.
#include "serial/rs232c.h"
#include "unit/line.h"
#include "unit/protocol.h"

namespace brisvel::unit {

// Opens the port and sends the unit the start byte.
void StartCapture(serial::Trs232c& port);

// Whether the unit's answer to the start byte is in: the monitor, which runs for OnPACKET,
// has seen a byte in the input queue. A caller that keeps its window alive polls this while
// it waits. An OnRXCHAR handler would say so without polling, but handlers cannot change
// while the port is open, and it would cost a notification for every byte of the packet.
bool AnswerArrived(const serial::Trs232c& port);

// Reads the packet that has arrived (OnPACKET) and closes the port; returns the code.
Code ReadCapturedCode(serial::Trs232c& port);

}  // namespace brisvel::unit
