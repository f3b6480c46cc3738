// The decoder against the simulated remote: each format as a unit would capture it.
#include <gtest/gtest.h>

#include <random>

#include "core/signal/decode.h"
#include "signal_render.h"

namespace brisvel {
namespace {

using signal::BitOrder;
using unit_sim::SignalRecipe;

struct DecodeCase {
  const char* recipe;
  int repeats = 0;
  int jitter = 0;
  BitOrder order = BitOrder::LeastSignificantFirst;
  int start_us = 5000;
  const char* summary;
};

SignalRecipe Recipe(const DecodeCase& c, unsigned seed) {
  auto recipe = std::get<SignalRecipe>(unit_sim::ParseSignal(c.recipe));
  recipe.repeats = c.repeats;
  recipe.jitter_samples = c.jitter;
  recipe.order = c.order;
  recipe.start_us = c.start_us;
  recipe.seed = seed;
  return recipe;
}

TEST(DecodeTest, NamesEachFormatUnderJitterAndEitherBitOrder) {
  constexpr auto kMsb = BitOrder::MostSignificantFirst;
  const DecodeCase cases[] = {
      {"nec:04,08", 1, 0, {}, 5000, "NEC  address 0x04  command 0x08  ×2"},
      {"nec:04,08", 1, 1, kMsb, 5000, "NEC  address 0x04  command 0x08  ×2"},
      {"nec:0401,F0", 0, 1, {}, 5000, "NEC  address 0x0401  command 0xF0"},
      {"aeha:2002,80,00", 0, 1, {}, 5000, "AEHA  maker 0x2002  data 80 00"},
      {"aeha:4004,10,00,BC,FD,00,3D", 0, 1, kMsb, 5000, "AEHA  maker 0x4004  data 10 00 BC FD 00 3D"},
      {"sirc12:01,15", 2, 1, {}, 5000, "SIRC-12  address 0x01  command 0x15  ×3"},
      {"sirc15:A4,2F", 2, 1, kMsb, 5000, "SIRC-15  address 0xA4  command 0x2F  ×3"},
      {"sirc20:1A,15,3A", 1, 1, {}, 5000, "SIRC-20  address 0x1A  command 0x15  extended 0x3A  ×2"},
      // Starts so late that the unit stops recording inside the frame.
      {"nec:04,08", 0, 0, {}, 150000, "unknown  (cut off at 192 ms)"},
  };
  for (const DecodeCase& c : cases)
    for (unsigned seed = 1; seed <= 5; ++seed) {
      const signal::Decoded decoded = signal::Decode(unit_sim::Render(Recipe(c, seed)));
      EXPECT_EQ(signal::SummaryOf(decoded), c.summary) << c.recipe << " seed " << seed;
      EXPECT_EQ(decoded.order, c.order) << c.recipe;
    }
}

// A frame whose check bits fail is not named, and neither is a random payload.
TEST(DecodeTest, BrokenCheckBitsAndNoiseAreUnknown) {
  for (const char* text : {"nec:04,08", "aeha:2002,80,00"}) {
    auto recipe = std::get<SignalRecipe>(unit_sim::ParseSignal(text));
    recipe.broken_check = true;
    EXPECT_EQ(signal::SummaryOf(signal::Decode(unit_sim::Render(recipe))), "unknown") << text;
  }
  std::mt19937 random(7);
  unit::Code noise{};
  for (auto& byte : noise) byte = static_cast<std::uint8_t>(random());
  EXPECT_EQ(signal::SummaryOf(signal::Decode(noise)).substr(0, 7), "unknown");
}

}  // namespace
}  // namespace brisvel
