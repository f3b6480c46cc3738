#include "core/capture_exchange.h"

#include <array>

namespace brisvel {
namespace {

constexpr uint8_t kStartCapture = 0x72;  // "r"
constexpr uint8_t kAcknowledged = 0x59;  // "Y"
constexpr uint8_t kPacketStart = 0x53;   // "S"
constexpr uint8_t kPacketEnd = 0x45;     // "E"

constexpr const char* kReadFailed = capture_failure::kRead;

// The port's reason, taken at once: a later operation would overwrite it.
CaptureError PortStepFailed(const char* message, const serial::Trs232c& port, PortStep step) {
  return CaptureError(message, PortFailure{port.portname, step, port.LastError()});
}

uint8_t ReadByteOrThrow(serial::Trs232c& port) {
  uint8_t byte = 0;
  if (!port.ReadByte(byte)) throw PortStepFailed(kReadFailed, port, PortStep::Transfer);
  return byte;
}

void ExpectByte(serial::Trs232c& port, uint8_t expected, const char* mismatch) {
  if (ReadByteOrThrow(port) != expected) throw CaptureError(mismatch);
}

}  // namespace

void ApplyCaptureUnitSettings(serial::Trs232c& port) {
  port.charbit = 8;
  port.stopbit = "1";
  port.bps = 115200;
  port.portname = "COM1";
  port.rxbuffsize = 1024;
  port.txbuffsize = 1024;
  port.readinterval = 0;
  port.txtimeout = 30000;
  port.rxtimeout = 30000;
  port.paritymode = "無し";
  port.flowflag = 0;
  port.set_flow({});
  port.packetsize = kPacketBytes;
  port.debug = false;
  port.XonLim = 0;
  port.XoffLim = 0;
  port.XonChar = 17;
  port.XoffChar = 19;
  port.ErrorChar = 0;
  port.EofChar = 0;
  port.EvtChar = 0;
}

void StartCapture(serial::Trs232c& port) {
  if (!port.Open()) throw PortStepFailed(capture_failure::kOpen, port, PortStep::Open);
  if (!port.WriteByte(kStartCapture)) throw PortStepFailed(capture_failure::kWrite, port, PortStep::Transfer);
}

bool AnswerArrived(const serial::Trs232c& port) { return port.ReceivedCount() > 0; }

void ReadAcknowledgement(serial::Trs232c& port) { ExpectByte(port, kAcknowledged, capture_failure::kNotY); }

CaptureError NothingReceived() { return CaptureError(kReadFailed); }

CaptureError LineLost(const serial::Trs232c& port) {
  return CaptureError(kReadFailed, PortFailure{port.portname, PortStep::Transfer, {serial::PortErrorKind::HungUp, 0, ""}});
}

std::string ReadCapturedCode(serial::Trs232c& port) {
  ExpectByte(port, kPacketStart, capture_failure::kNotS);
  std::array<uint8_t, kCodeBytes> code{};
  if (!port.Read(code.data(), kCodeBytes)) throw PortStepFailed(kReadFailed, port, PortStep::Transfer);
  ExpectByte(port, kPacketEnd, capture_failure::kNotE);
  port.Close();
  return HexText(code);
}

std::string HexText(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

}  // namespace brisvel
