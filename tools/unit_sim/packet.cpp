#include "packet.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace brisvel::unit_sim {

Code GeneratedCode(unsigned capture_number) {
  // minstd_rand's sequence is fixed by the standard, so codes match across builds.
  std::minstd_rand generator(capture_number);
  Code code;
  std::generate(code.begin(), code.end(),
                [&generator] { return static_cast<std::uint8_t>(generator() >> 8); });
  return code;
}

std::vector<std::uint8_t> FramePacket(const Code& code, const Framing& framing) {
  const unit::Packet framed = unit::FramePacket(code);
  std::vector<std::uint8_t> packet(framed.begin(), framed.end());
  packet.front() = framing.start;
  packet.back() = framing.end;
  packet.resize(std::min(framing.length, unit::kPacketBytes));
  return packet;
}

std::string HexBytes(std::span<const std::uint8_t> bytes, std::string_view separator) {
  std::string text;
  for (std::uint8_t byte : bytes) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    if (!text.empty()) text += separator;
    text += digits;
  }
  return text;
}

std::string HexPreview(std::span<const std::uint8_t> bytes, std::size_t max_bytes) {
  const std::string shown = HexBytes(bytes.first(std::min(bytes.size(), max_bytes)), " ");
  return bytes.size() > max_bytes ? shown + " ..." : shown;
}

}  // namespace brisvel::unit_sim
