#pragma once
// The PC-OP-RS1 unit's protocol, as bytes on the line. The capture: "r" out, "Y" back, then,
// once a remote's code has reached the unit, the packet "S", 240 code bytes, "E". Sending a
// code shares the acknowledgement, the 240 bytes and the closing "E".
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace brisvel::unit {

inline constexpr std::size_t kCodeBytes = 240;
using Code = std::array<std::uint8_t, kCodeBytes>;

inline constexpr std::uint8_t kAcknowledgement = 0x59;  // "Y"
inline constexpr std::uint8_t kCodeEnd = 0x45;          // "E"

// The capture.
inline constexpr std::uint8_t kStartCapture = 0x72;  // "r"
inline constexpr std::uint8_t kPacketStart = 0x53;   // "S"
inline constexpr std::size_t kPacketBytes = kCodeBytes + 2;
using Packet = std::array<std::uint8_t, kPacketBytes>;

// The step of an exchange that failed.
enum class Failure { Open, Write, Read, NotAcknowledged, NotPacketStart, NotCodeEnd };

// The step's text, the first line the user is shown: "error -- open", "error -- not Y($59)".
const char* FailureText(Failure failure);

// The packet the unit sends for a captured code.
Packet FramePacket(const Code& code);

// Which of a received packet's frame bytes is wrong, if any: the start before the end.
std::optional<Failure> FrameFailure(const Packet& packet);
// The code a packet carries.
Code CodeIn(const Packet& packet);

}  // namespace brisvel::unit
