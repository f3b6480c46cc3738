#pragma once
// What the unit sends after the user has pointed a remote control at it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brisvel::unit_sim {

inline constexpr std::size_t kCodeSize = 240;
inline constexpr std::size_t kPacketSize = kCodeSize + 2;  // start byte, code, end byte

using Code = std::array<std::uint8_t, kCodeSize>;

struct Framing {
  std::uint8_t start;
  std::uint8_t end;
  std::size_t length;  // less than kPacketSize cuts the packet short
};

// The same capture number always gives the same bytes, so a code in the tool's list can
// be traced back to the capture that produced it; different numbers give different codes.
Code GeneratedCode(unsigned capture_number);

std::vector<std::uint8_t> FramePacket(const Code& code, const Framing& framing);

// "53 A1 07 ..." for a log line.
std::string HexPreview(std::span<const std::uint8_t> bytes, std::size_t max_bytes);

}  // namespace brisvel::unit_sim
