#pragma once
// The unit's line and the steps every exchange with it is made of, on the serial component.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>

#include "serial/rs232c.h"
#include "unit/protocol.h"

namespace brisvel::unit {

// A failed step; what() is its text (FailureText). A step the port failed carries the
// port's reason, taken at once, since a later operation would overwrite it.
class ExchangeError : public std::runtime_error {
 public:
  explicit ExchangeError(Failure failure, std::optional<serial::PortError> port_error = std::nullopt)
      : std::runtime_error(FailureText(failure)), failure_(failure), port_error_(std::move(port_error)) {}
  Failure failure() const { return failure_; }
  const std::optional<serial::PortError>& portError() const { return port_error_; }

 private:
  Failure failure_;
  std::optional<serial::PortError> port_error_;
};

// The unit's line: 115200 bit/s, 8N1, no flow control with DTR and RTS held off, 30 s
// time-outs, and OnPACKET once a whole capture packet waits in the input queue. The device
// (portname) is the caller's.
void ConfigureLine(serial::Trs232c& port);

// Each throws ExchangeError; the port may be left open, and closing or destroying it is the
// caller's clean-up.
void OpenLine(serial::Trs232c& port);
void SendByte(serial::Trs232c& port, std::uint8_t byte);
// Reads one byte, waiting up to rxtimeout; `mismatch` when it is another.
void ExpectByte(serial::Trs232c& port, std::uint8_t expected, Failure mismatch);
// Reads the unit's "Y". Read at once, this waits up to rxtimeout itself.
void ReadAcknowledgement(serial::Trs232c& port);
template <std::size_t N>
void ReadBytes(serial::Trs232c& port, std::array<std::uint8_t, N>& bytes) {
  if (!port.Read(bytes.data(), static_cast<int>(N))) throw ExchangeError(Failure::Read, port.LastError());
}

}  // namespace brisvel::unit
