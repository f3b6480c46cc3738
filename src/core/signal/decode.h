#pragma once
// What a captured code says: the receiver's samples, the runs of marks and spaces, and the
// frames of the infrared formats remotes use (NEC, AEHA, Sony SIRC).
//
// The unit's code format, as commonly described; the decoder checks it rather than trusts it:
// - The 240 bytes are 1,920 samples of the infrared receiver, one every 100 µs (192 ms in
//   all), in byte order; 1 means carrier present.
// - Descriptions do not settle the bit order within a byte. A real remote's marks and spaces
//   last at least about 4 samples, so the wrong order adds short runs at byte boundaries: the
//   order giving fewer level changes is taken, least significant bit first on a tie, and the
//   view says which.
// - The level at the end of the 192 ms is the idle level: a code that is not idle there was
//   cut off.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/signal/picture.h"

namespace brisvel::signal {

inline constexpr int kSampleUs = 100;
inline constexpr int kSampleCount = 1920;
inline constexpr int kCodeUs = kSampleUs * kSampleCount;

enum class BitOrder { LeastSignificantFirst, MostSignificantFirst };

struct Run {
  bool mark = false;
  int us = 0;
  bool operator==(const Run&) const = default;
};

enum class Protocol { Nec, Aeha, Sirc };

struct Frame {
  Protocol protocol = Protocol::Nec;
  // NEC: address, command, or address low, address high, command for a 16-bit address;
  // AEHA: the maker code's two bytes (high first), then the data bytes;
  // SIRC: command, address, then the extended byte of a 20-bit frame (the order they are sent in).
  std::vector<std::uint8_t> fields;
  int bits = 0;     // the frame's data bits (NEC 32, SIRC 12/15/20, AEHA 16 + 8 per byte)
  int repeats = 0;  // further copies of the frame, or NEC repeat codes, after the first
  bool operator==(const Frame&) const = default;
};

struct Decoded {
  BitOrder order = BitOrder::LeastSignificantFirst;
  bool idle_mark = false;     // the level the code ends at
  bool cut_off = false;       // still sending at 192 ms
  std::vector<Run> runs;      // from the first change of level; the idle before it is not a run
  std::vector<Frame> frames;  // empty when no run sequence is a frame of a known format
  bool unknown_runs = false;  // runs that are no part of a named frame
};

// The bit order this code reads best in (the rule above).
BitOrder BitOrderOf(std::span<const std::uint8_t> code);
// Everything the code says; `code` holds the unit's 240 bytes.
Decoded Decode(std::span<const std::uint8_t> code);

// One line: "NEC  address 0x04  command 0x08  ×2", "AEHA  maker 0x2002  data 80 00",
// "SIRC-12  address 0x01  command 0x15  ×3", "unknown"; a cut-off code ends "  (cut off at 192 ms)".
std::string SummaryOf(const Decoded& decoded);
// The run list, one "mark 9000 µs" / "space 4500 µs" per line.
std::string RunListOf(const Decoded& decoded);
// The pulse picture over the 192 ms, with a tick every millisecond and a label every 20 ms.
Picture PictureOf(const Decoded& decoded);

}  // namespace brisvel::signal
