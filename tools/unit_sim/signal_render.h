#pragma once
// The simulated unit's remote: a button press of a known format, rendered into the unit's
// 240 bytes the way the unit would capture it, with the jitter and noise a real one has.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/signal/decode.h"
#include "unit/protocol.h"

namespace brisvel::unit_sim {

struct SignalRecipe {
  // The frame to send, its fields as signal::Frame has them (NEC with two or three fields, or
  // four: the bytes as sent, check byte included).
  signal::Protocol protocol = signal::Protocol::Nec;
  std::vector<std::uint8_t> fields;
  int sirc_bits = 12;
  int repeats = 0;         // NEC repeat codes, or further copies of an AEHA or SIRC frame
  int start_us = 5000;     // idle before the first mark
  int jitter_samples = 0;  // each edge moves by up to this many samples either way
  int noise_samples = 0;   // single samples flipped at random within the 192 ms
  unsigned seed = 1;
  signal::BitOrder order = signal::BitOrder::LeastSignificantFirst;
};

// The marks and spaces of the recipe's frames in time order, before jitter and noise.
std::vector<signal::Run> RunsOf(const SignalRecipe& recipe);
// The recipe as the unit captures it: 100 µs samples, cut off at 192 ms.
unit::Code Render(const SignalRecipe& recipe);
// "nec:04,08", "nec:0401,08" (a 16-bit address), "aeha:2002,80,00,3d", "sirc12:01,15",
// "sirc15:..", "sirc20:01,15,3a" (fields in hexadecimal, as signal::Frame orders them);
// an error message otherwise.
std::variant<SignalRecipe, std::string> ParseSignal(std::string_view text);

}  // namespace brisvel::unit_sim
