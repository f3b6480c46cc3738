#include "signal_render.h"

#include <algorithm>
#include <charconv>
#include <random>

namespace brisvel::unit_sim {
namespace {

using signal::Run;

constexpr int kNecPeriodUs = 108000;
constexpr int kAehaT = 425;
constexpr int kAehaGapUs = 13000;
constexpr int kSircPeriodUs = 45000;

void Mark(std::vector<Run>& runs, int us) { runs.push_back({true, us}); }
void Space(std::vector<Run>& runs, int us) { runs.push_back({false, us}); }

// Pulse-distance bytes, least significant bit first, and the stop mark.
void DistanceBytes(std::vector<Run>& runs, const std::vector<std::uint8_t>& bytes, int mark, int zero, int one) {
  for (const std::uint8_t byte : bytes)
    for (int bit = 0; bit < 8; ++bit) {
      Mark(runs, mark);
      Space(runs, (byte >> bit) & 1 ? one : zero);
    }
  Mark(runs, mark);
}

int Length(const std::vector<Run>& runs, std::size_t from) {
  int us = 0;
  for (std::size_t i = from; i < runs.size(); ++i) us += runs[i].us;
  return us;
}

void Nec(std::vector<Run>& runs, const SignalRecipe& recipe) {
  const auto& f = recipe.fields;
  std::vector<std::uint8_t> bytes =
      f.size() == 3 ? std::vector<std::uint8_t>{f[0], f[1], f[2], static_cast<std::uint8_t>(~f[2])}
                    : std::vector<std::uint8_t>{f[0], static_cast<std::uint8_t>(~f[0]), f[1],
                                                static_cast<std::uint8_t>(~f[1])};
  if (recipe.broken_check) bytes[3] ^= 1;
  std::size_t start = runs.size();
  Mark(runs, 9000);
  Space(runs, 4500);
  DistanceBytes(runs, bytes, 560, 560, 1690);
  for (int repeat = 0; repeat < recipe.repeats; ++repeat) {
    Space(runs, kNecPeriodUs - Length(runs, start));
    start = runs.size();
    Mark(runs, 9000);
    Space(runs, 2250);
    Mark(runs, 560);
  }
}

void Aeha(std::vector<Run>& runs, const SignalRecipe& recipe) {
  const auto& f = recipe.fields;
  std::vector<std::uint8_t> bytes{f[1], f[0]};  // the maker code goes low byte first
  bytes.insert(bytes.end(), f.begin() + 2, f.end());
  if (recipe.broken_check) bytes[2] ^= 1;
  for (int copy = 0; copy <= recipe.repeats; ++copy) {
    if (copy > 0) Space(runs, kAehaGapUs);
    Mark(runs, 8 * kAehaT);
    Space(runs, 4 * kAehaT);
    DistanceBytes(runs, bytes, kAehaT, kAehaT, 3 * kAehaT);
  }
}

void Sirc(std::vector<Run>& runs, const SignalRecipe& recipe) {
  const auto& f = recipe.fields;
  std::uint32_t value = f[0] & 0x7Fu;
  value |= static_cast<std::uint32_t>(f[1]) << 7;
  if (recipe.sirc_bits == 20) value |= static_cast<std::uint32_t>(f.size() > 2 ? f[2] : 0) << 12;
  for (int copy = 0; copy <= recipe.repeats; ++copy) {
    const std::size_t start = runs.size();
    Mark(runs, 2400);
    for (int bit = 0; bit < recipe.sirc_bits; ++bit) {
      Space(runs, 600);
      Mark(runs, (value >> bit) & 1 ? 1200 : 600);
    }
    if (copy < recipe.repeats) Space(runs, kSircPeriodUs - Length(runs, start));
  }
}

std::optional<std::vector<unsigned>> HexFields(std::string_view text) {
  std::vector<unsigned> fields;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view field = text.substr(0, comma);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value, 16);
    if (field.empty() || error != std::errc() || end != field.data() + field.size()) return std::nullopt;
    fields.push_back(value);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return fields;
}

}  // namespace

std::vector<Run> RunsOf(const SignalRecipe& recipe) {
  std::vector<Run> runs{{false, recipe.start_us}};
  switch (recipe.protocol) {
    case signal::Protocol::Nec: Nec(runs, recipe); break;
    case signal::Protocol::Aeha: Aeha(runs, recipe); break;
    case signal::Protocol::Sirc: Sirc(runs, recipe); break;
  }
  return runs;
}

unit::Code Render(const SignalRecipe& recipe) {
  std::mt19937 random(recipe.seed);
  std::uniform_int_distribution<int> jitter(-recipe.jitter_samples, recipe.jitter_samples);
  std::vector<bool> samples(signal::kSampleCount, false);
  int at_us = 0;
  int from = 0;
  for (const Run& run : RunsOf(recipe)) {
    at_us += run.us;
    // Each edge lands on the nearest sample, moved by the jitter, and never before the last.
    const int to = std::max(from + 1, (at_us + signal::kSampleUs / 2) / signal::kSampleUs + jitter(random));
    for (int i = from; i < std::min(to, signal::kSampleCount); ++i) samples[i] = run.mark;
    from = to;
  }
  std::uniform_int_distribution<int> anywhere(0, signal::kSampleCount - 1);
  for (int flip = 0; flip < recipe.noise_samples; ++flip) {
    const int i = anywhere(random);
    samples[i] = !samples[i];
  }
  unit::Code code{};
  for (int i = 0; i < signal::kSampleCount; ++i)
    if (samples[i]) {
      const int bit = recipe.order == signal::BitOrder::LeastSignificantFirst ? i % 8 : 7 - i % 8;
      code[i / 8] |= static_cast<std::uint8_t>(1u << bit);
    }
  return code;
}

std::variant<SignalRecipe, std::string> ParseSignal(std::string_view text) {
  const std::string usage = "expected nec:AA,CC, nec:AAAA,CC, aeha:MMMM,DD[,DD...] or sirc12|sirc15|sirc20:AA,CC[,EE]"
                            " (hexadecimal), got \"" + std::string(text) + "\"";
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return usage;
  const std::string_view kind = text.substr(0, colon);
  const auto fields = HexFields(text.substr(colon + 1));
  if (!fields || fields->size() < 2) return usage;
  const auto& v = *fields;
  const auto fits = [&](std::size_t i, unsigned limit) { return v[i] <= limit; };
  SignalRecipe recipe;
  if (kind == "nec" && v.size() == 2 && fits(0, 0xFFFF) && fits(1, 0xFF)) {
    recipe.fields = v[0] > 0xFF ? std::vector<std::uint8_t>{std::uint8_t(v[0] & 0xFF), std::uint8_t(v[0] >> 8), std::uint8_t(v[1])}
                                : std::vector<std::uint8_t>{std::uint8_t(v[0]), std::uint8_t(v[1])};
    return recipe;
  }
  if (kind == "aeha" && fits(0, 0xFFFF) && std::all_of(v.begin() + 1, v.end(), [](unsigned b) { return b <= 0xFF; })) {
    recipe.protocol = signal::Protocol::Aeha;
    recipe.fields = {std::uint8_t(v[0] >> 8), std::uint8_t(v[0] & 0xFF)};
    for (std::size_t i = 1; i < v.size(); ++i) recipe.fields.push_back(std::uint8_t(v[i]));
    return recipe;
  }
  for (const int bits : {12, 15, 20}) {
    if (kind != "sirc" + std::to_string(bits)) continue;
    const unsigned address_limit = bits == 15 ? 0xFF : 0x1F;
    if (v.size() != (bits == 20 ? 3u : 2u) || !fits(0, address_limit) || !fits(1, 0x7F) || (bits == 20 && !fits(2, 0xFF)))
      return usage;
    recipe.protocol = signal::Protocol::Sirc;
    recipe.sirc_bits = bits;
    // Written address first, as the summary reads; kept command first, as the frame is sent.
    recipe.fields = {std::uint8_t(v[1]), std::uint8_t(v[0])};
    if (bits == 20) recipe.fields.push_back(std::uint8_t(v[2]));
    return recipe;
  }
  return usage;
}

}  // namespace brisvel::unit_sim
