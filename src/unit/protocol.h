#pragma once
// The PC-OP-RS1 unit's protocol, as bytes on the line. The capture: "r" out, "Y" back, then,
// once a remote's code has reached the unit, the packet "S", 240 code bytes, "E". Sending a
// code: "t" out, "Y" back, the output ("1" to "4") out, "Y" back, the 240 code bytes out and
// "E" back once the unit has emitted them.
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

// Sending.
inline constexpr std::uint8_t kStartSend = 0x74;  // "t"
inline constexpr int kOutputCount = 4;             // outputs 1 to 4, "1" to "4" on the line

// The output's byte, for an output from 1 to kOutputCount.
std::uint8_t OutputByte(int output);
// The output a byte selects, if it selects one.
std::optional<int> OutputOf(std::uint8_t byte);
// Whether the unit's answer to the code bytes says it is done. Some units are reported to
// answer with "Y" instead of "E", so both are taken.
bool IsSendDone(std::uint8_t answer);

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
