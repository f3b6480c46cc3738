#include "unit/protocol.h"

#include <algorithm>

namespace brisvel::unit {

const char* FailureText(Failure failure) {
  switch (failure) {
    case Failure::Open: return "error -- open";
    case Failure::Write: return "error -- write";
    case Failure::Read: return "error -- read";
    case Failure::NotAcknowledged: return "error -- not Y($59)";
    case Failure::NotPacketStart: return "error -- not S($53)";
    case Failure::NotCodeEnd: return "error -- not E($45)";
  }
  return "error";
}

std::uint8_t OutputByte(int output) { return static_cast<std::uint8_t>('0' + output); }

std::optional<int> OutputOf(std::uint8_t byte) {
  const int output = byte - '0';
  if (output < 1 || output > kOutputCount) return std::nullopt;
  return output;
}

bool IsSendDone(std::uint8_t answer) { return answer == kCodeEnd || answer == kAcknowledgement; }

Packet FramePacket(const Code& code) {
  Packet packet{};
  packet.front() = kPacketStart;
  std::ranges::copy(code, packet.begin() + 1);
  packet.back() = kCodeEnd;
  return packet;
}

std::optional<Failure> FrameFailure(const Packet& packet) {
  if (packet.front() != kPacketStart) return Failure::NotPacketStart;
  if (packet.back() != kCodeEnd) return Failure::NotCodeEnd;
  return std::nullopt;
}

Code CodeIn(const Packet& packet) {
  Code code{};
  std::copy(packet.begin() + 1, packet.end() - 1, code.begin());
  return code;
}

}  // namespace brisvel::unit
