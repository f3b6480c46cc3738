#pragma once
// What the unit sends after the user has pointed a remote control at it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "unit/protocol.h"

namespace brisvel::unit_sim {

using unit::Code;

// The packet as sent: the protocol's, or with other frame bytes, or cut short.
struct Framing {
  std::uint8_t start = unit::kPacketStart;
  std::uint8_t end = unit::kCodeEnd;
  std::size_t length = unit::kPacketBytes;  // less cuts the packet short
};

// The same capture number always gives the same bytes, so a code in the tool's list can
// be traced back to the capture that produced it; different numbers give different codes.
Code GeneratedCode(unsigned capture_number);

std::vector<std::uint8_t> FramePacket(const Code& code, const Framing& framing);

// Two uppercase digits a byte, `separator` between them.
std::string HexBytes(std::span<const std::uint8_t> bytes, std::string_view separator);
// "53 A1 07 ..." for a log line.
std::string HexPreview(std::span<const std::uint8_t> bytes, std::size_t max_bytes);

}  // namespace brisvel::unit_sim
