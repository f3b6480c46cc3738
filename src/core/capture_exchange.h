#pragma once
// The exchange with the PC-OP-RS1 capture unit, apart from the receive dialog that waits
// for the packet: "r" out, "Y" back, then, once the user has sent a remote's code to the
// unit, "S", 240 code bytes and "E".
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/errors.h"
#include "core/port_diagnosis.h"
#include "serial/rs232c.h"

namespace brisvel {

inline constexpr int kCodeBytes = 240;
inline constexpr int kPacketBytes = kCodeBytes + 2;

// The texts of the failed steps, as the error dialog shows them.
namespace capture_failure {
inline constexpr char kOpen[] = "error -- open";
inline constexpr char kWrite[] = "error -- write";
inline constexpr char kRead[] = "error -- read";
inline constexpr char kNotY[] = "error -- not Y($59)";
inline constexpr char kNotS[] = "error -- not S($53)";
inline constexpr char kNotE[] = "error -- not E($45)";
}  // namespace capture_failure

// A failed step; what() is one of the texts above, the first line the error dialog shows. A
// step the port failed also carries the port's reason, for the lines that explain it.
class CaptureError : public UserError {
 public:
  explicit CaptureError(const std::string& message) : UserError(message) {}
  CaptureError(const std::string& message, PortFailure failure) : UserError(message), failure_(std::move(failure)) {}
  const std::optional<PortFailure>& portFailure() const { return failure_; }

 private:
  std::optional<PortFailure> failure_;
};

// The unit's line: 115200 bit/s, 8N1, no flow control with DTR and RTS held off, 30 s
// time-outs, and OnPACKET once the whole packet waits in the input queue.
void ApplyCaptureUnitSettings(serial::Trs232c& port);

// Opens the port and sends the unit the start byte. Throws CaptureError; the port may be
// left open, and closing or destroying it is the caller's clean-up.
void StartCapture(serial::Trs232c& port);

// Whether the unit's answer to the start byte is in: the monitor, which runs for OnPACKET,
// has seen a byte in the input queue. A caller that keeps its window alive polls this while
// it waits. An OnRXCHAR handler would say so without polling, but handlers cannot change
// while the port is open, and it would cost a notification for every byte of the packet.
bool AnswerArrived(const serial::Trs232c& port);

// Reads the unit's acknowledgement. Read at once, this waits up to rxtimeout itself.
void ReadAcknowledgement(serial::Trs232c& port);

// The read step whose wait ended without a byte: "error -- read", with no more to say than
// that nothing came in time.
CaptureError NothingReceived();
// The read step whose line went away while it waited (OnHANGUP).
CaptureError LineLost(const serial::Trs232c& port);

// Reads the packet that has arrived and closes the port; returns the code's data text.
std::string ReadCapturedCode(serial::Trs232c& port);

// Two uppercase hexadecimal digits per byte, in order, no separators.
std::string HexText(std::span<const uint8_t> bytes);

}  // namespace brisvel
