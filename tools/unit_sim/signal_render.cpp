#include "signal_render.h"

#include <algorithm>
#include <charconv>
#include <random>

namespace brisvel::unit_sim {
namespace {

using signal::Protocol;
using signal::Run;

constexpr int kNecUnitUs = 560;
constexpr int kNecPeriodUs = 108000;
constexpr int kAehaUnitUs = 425;
constexpr int kAehaGapUs = 10000;
constexpr int kSircUnitUs = 600;
constexpr int kSircPeriodUs = 45000;

void Add(std::vector<Run>& runs, bool mark, int us) { runs.push_back({mark, us}); }

// Each bit as a mark of `unit_us` and a space of `zero_us` or `one_us`, least significant first.
void AddBytes(std::vector<Run>& runs, const std::vector<std::uint8_t>& bytes, int unit_us, int zero_us,
              int one_us) {
  for (std::uint8_t byte : bytes)
    for (int i = 0; i < 8; ++i) {
      Add(runs, true, unit_us);
      Add(runs, false, (byte >> i & 1) ? one_us : zero_us);
    }
}

std::vector<std::uint8_t> NecBytes(const std::vector<std::uint8_t>& f) {
  auto complement = [](std::uint8_t b) { return static_cast<std::uint8_t>(~b); };
  if (f.size() == 4) return f;
  if (f.size() == 3) return {f[0], f[1], f[2], complement(f[2])};
  return {f.at(0), complement(f.at(0)), f.at(1), complement(f.at(1))};
}

std::vector<Run> NecFrame(const SignalRecipe& recipe) {
  std::vector<Run> runs{{true, 9000}, {false, 4500}};
  AddBytes(runs, NecBytes(recipe.fields), kNecUnitUs, kNecUnitUs, 1690);
  Add(runs, true, kNecUnitUs);
  return runs;
}

std::vector<Run> AehaFrame(const SignalRecipe& recipe) {
  const int t = kAehaUnitUs;
  std::vector<Run> runs{{true, 8 * t}, {false, 4 * t}};
  std::vector<std::uint8_t> bytes{recipe.fields.at(1), recipe.fields.at(0)};
  bytes.insert(bytes.end(), recipe.fields.begin() + 2, recipe.fields.end());
  AddBytes(runs, bytes, t, t, 3 * t);
  Add(runs, true, t);
  return runs;
}

std::vector<Run> SircFrame(const SignalRecipe& recipe) {
  const std::vector<std::uint8_t>& f = recipe.fields;
  const int address_bits = recipe.sirc_bits == 15 ? 8 : 5;
  std::uint32_t value = f.at(1) | static_cast<std::uint32_t>(f.at(0)) << 7;
  if (recipe.sirc_bits == 20) value |= static_cast<std::uint32_t>(f.at(2)) << (7 + address_bits);
  std::vector<Run> runs{{true, 4 * kSircUnitUs}, {false, kSircUnitUs}};
  for (int i = 0; i < recipe.sirc_bits; ++i) {
    Add(runs, true, (value >> i & 1) ? 2 * kSircUnitUs : kSircUnitUs);
    Add(runs, false, kSircUnitUs);
  }
  runs.pop_back();  // the last bit's space is the gap after the frame
  return runs;
}

int LengthOf(const std::vector<Run>& runs) {
  int us = 0;
  for (const Run& run : runs) us += run.us;
  return us;
}

// `copy` sent `count` times after the runs, each starting on the next multiple of `period_us`
// from the first, or `gap_us` after the last when there is no period.
void AddCopies(std::vector<Run>& runs, const std::vector<Run>& copy, int count, int period_us, int gap_us) {
  for (int i = 0; i < count; ++i) {
    Add(runs, false, period_us > 0 ? period_us - LengthOf(runs) % period_us : gap_us);
    runs.insert(runs.end(), copy.begin(), copy.end());
  }
}

std::optional<std::uint8_t> HexByte(std::string_view text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (text.empty() || text.size() > 2 || error != std::errc() || end != text.data() + text.size())
    return std::nullopt;
  return static_cast<std::uint8_t>(value);
}

std::vector<std::string_view> Split(std::string_view text) {
  std::vector<std::string_view> parts;
  for (std::size_t comma; (comma = text.find(',')) != std::string_view::npos; text.remove_prefix(comma + 1))
    parts.push_back(text.substr(0, comma));
  parts.push_back(text);
  return parts;
}

// A field of two hexadecimal digits per byte, high byte first, into `fields` low byte first.
bool AddField(std::vector<std::uint8_t>& fields, std::string_view text, std::size_t bytes) {
  if (text.size() != 2 * bytes) return false;
  for (std::size_t i = bytes; i-- > 0;) {
    const std::optional<std::uint8_t> byte = HexByte(text.substr(2 * i, 2));
    if (!byte) return false;
    fields.push_back(*byte);
  }
  return true;
}

}  // namespace

std::vector<Run> RunsOf(const SignalRecipe& recipe) {
  std::vector<Run> runs;
  switch (recipe.protocol) {
    case Protocol::Nec:
      runs = NecFrame(recipe);
      AddCopies(runs, {{true, 9000}, {false, 2250}, {true, kNecUnitUs}}, recipe.repeats, kNecPeriodUs, 0);
      break;
    case Protocol::Aeha:
      runs = AehaFrame(recipe);
      AddCopies(runs, AehaFrame(recipe), recipe.repeats, 0, kAehaGapUs);
      break;
    case Protocol::Sirc:
      runs = SircFrame(recipe);
      AddCopies(runs, SircFrame(recipe), recipe.repeats, kSircPeriodUs, 0);
      break;
  }
  return runs;
}

unit::Code Render(const SignalRecipe& recipe) {
  std::mt19937 random(recipe.seed);
  std::uniform_int_distribution<int> jitter(-recipe.jitter_samples, recipe.jitter_samples);
  std::vector<bool> samples(signal::kSampleCount, false);
  int at_us = recipe.start_us;
  // The sample nearest an edge, moved by the jitter.
  auto edge_at = [&](int us) { return (us + signal::kSampleUs / 2) / signal::kSampleUs + jitter(random); };
  int edge = edge_at(at_us);
  for (const Run& run : RunsOf(recipe)) {
    at_us += run.us;
    const int end = std::max(edge + 1, edge_at(at_us));
    for (int i = std::max(edge, 0); i < std::min(end, signal::kSampleCount); ++i) samples[i] = run.mark;
    edge = end;
  }
  std::uniform_int_distribution<int> position(0, signal::kSampleCount - 1);
  for (int i = 0; i < recipe.noise_samples; ++i) {
    const int at = position(random);
    samples[at] = !samples[at];
  }
  unit::Code code{};
  for (int i = 0; i < signal::kSampleCount; ++i) {
    const int bit = recipe.order == signal::BitOrder::LeastSignificantFirst ? i % 8 : 7 - i % 8;
    code[i / 8] |= static_cast<std::uint8_t>(samples[i] << bit);
  }
  return code;
}

std::variant<SignalRecipe, std::string> ParseSignal(std::string_view text) {
  const std::string error = "a signal is nec:AA,CC, nec:AAAA,CC, aeha:MMMM,DD[,DD...], sirc12:AA,CC, sirc15:AA,CC "
                            "or sirc20:AA,CC,EE in hexadecimal (a SIRC address of 5 bits, 8 in sirc15, a "
                            "command of 7), not \"" + std::string(text) + "\"";
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return error;
  const std::string_view kind = text.substr(0, colon);
  const std::vector<std::string_view> parts = Split(text.substr(colon + 1));
  SignalRecipe recipe;
  bool ok = false;
  if (kind == "nec" && parts.size() == 2) {
    ok = AddField(recipe.fields, parts[0], parts[0].size() == 4 ? 2 : 1) && AddField(recipe.fields, parts[1], 1);
  } else if (kind == "aeha" && parts.size() >= 2) {
    recipe.protocol = Protocol::Aeha;
    ok = parts[0].size() == 4 && AddField(recipe.fields, parts[0].substr(0, 2), 1) &&
         AddField(recipe.fields, parts[0].substr(2), 1);
    for (std::size_t i = 1; ok && i < parts.size(); ++i) ok = AddField(recipe.fields, parts[i], 1);
  } else if (kind == "sirc12" || kind == "sirc15" || kind == "sirc20") {
    recipe.protocol = Protocol::Sirc;
    recipe.sirc_bits = kind == "sirc12" ? 12 : kind == "sirc15" ? 15 : 20;
    ok = parts.size() == (recipe.sirc_bits == 20 ? 3u : 2u);
    for (std::string_view part : parts) ok = ok && AddField(recipe.fields, part, 1);
    ok = ok && recipe.fields[0] <= (recipe.sirc_bits == 15 ? 0xFF : 0x1F) && recipe.fields[1] <= 0x7F;
  }
  if (!ok) return error;
  return recipe;
}

}  // namespace brisvel::unit_sim
