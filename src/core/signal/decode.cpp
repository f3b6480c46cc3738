#include "core/signal/decode.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace brisvel::signal {
namespace {

// Sampling rounds each edge by up to half a sample and a remote's edges wander by about one
// more, so a run may differ from its nominal length by three samples.
constexpr int kToleranceUs = 3 * kSampleUs;
constexpr int kAehaMinUnitUs = 350;
constexpr int kAehaMaxUnitUs = 500;
constexpr int kAehaMinGapUs = 8000;

bool Near(int us, int nominal) { return std::abs(us - nominal) <= kToleranceUs; }

int ChangesIn(const std::vector<bool>& samples) {
  int changes = 0;
  for (std::size_t i = 1; i < samples.size(); ++i) changes += samples[i] != samples[i - 1];
  return changes;
}

// Reads a run sequence from one position. A parse that needs a run past the last one, or
// meets a last run too short for what it expects, was cut off by the end of the capture.
class RunReader {
 public:
  RunReader(const std::vector<Run>& runs, std::size_t at) : runs_(runs), at_(at) {}

  std::size_t position() const { return at_; }
  bool ranOut() const { return ran_out_; }
  bool atEnd() const { return at_ >= runs_.size(); }

  // The next run's length when it has the level and lasts no longer than `max_us`.
  std::optional<int> take(bool mark, int max_us) {
    if (atEnd()) {
      ran_out_ = true;
      return std::nullopt;
    }
    const Run& run = runs_[at_];
    if (run.mark != mark || run.us > max_us) return std::nullopt;
    ++at_;
    return run.us;
  }
  // Whether the run just taken, `us` long, is `nominal`; a last run that is not was cut short.
  bool is(int us, int nominal) {
    if (Near(us, nominal)) return true;
    ran_out_ = ran_out_ || atEnd();
    return false;
  }
  bool expect(bool mark, int nominal) {
    const std::optional<int> us = take(mark, nominal + kToleranceUs);
    return us && is(*us, nominal);
  }
  // A space of at least `min_us`, or the end of the capture.
  bool gap(int min_us) {
    if (atEnd()) return true;
    if (runs_[at_].mark || runs_[at_].us < min_us) return false;
    ++at_;
    return true;
  }

 private:
  const std::vector<Run>& runs_;
  std::size_t at_;
  bool ran_out_ = false;
};

// Bits of a mark `unit_us` long each followed by a space nearer `zero_us` or `one_us`, until
// the space after a mark is longer (that mark was the stop mark). Stops at `max_bits` + 1.
std::vector<bool> BitsOfSpaces(RunReader& reader, int unit_us, int zero_us, int one_us,
                               std::size_t max_bits) {
  std::vector<bool> bits;
  while (bits.size() <= max_bits && reader.expect(true, unit_us)) {
    // A little longer than the tolerance allows: a unit estimated from the leader is rough.
    const std::optional<int> space = reader.take(false, one_us + one_us / 4 + kToleranceUs);
    if (!space) break;
    bits.push_back(std::abs(*space - one_us) < std::abs(*space - zero_us));
  }
  return bits;
}

std::vector<std::uint8_t> BytesOf(const std::vector<bool>& bits) {
  std::vector<std::uint8_t> bytes(bits.size() / 8);
  for (std::size_t i = 0; i < bytes.size() * 8; ++i)
    bytes[i / 8] |= static_cast<std::uint8_t>(bits[i] << (i % 8));
  return bytes;
}

struct Parsed {
  std::optional<Frame> frame;  // absent for an NEC repeat code
  std::size_t next = 0;
};

constexpr int kNecLeaderMarkUs = 9000;
constexpr int kNecUnitUs = 560;

std::optional<Parsed> NecFrameAt(RunReader& reader) {
  if (!reader.expect(true, kNecLeaderMarkUs) || !reader.expect(false, 4500)) return std::nullopt;
  const std::vector<bool> bits = BitsOfSpaces(reader, kNecUnitUs, kNecUnitUs, 1690, 32);
  if (bits.size() != 32 || reader.ranOut()) return std::nullopt;
  const std::vector<std::uint8_t> b = BytesOf(bits);
  if (b[3] != static_cast<std::uint8_t>(~b[2])) return std::nullopt;
  Frame frame{Protocol::Nec, {b[0], b[1], b[2]}, 32, 0};
  if (b[1] == static_cast<std::uint8_t>(~b[0])) frame.fields = {b[0], b[2]};
  return Parsed{frame, reader.position()};
}

std::optional<Parsed> NecRepeatAt(RunReader& reader) {
  if (reader.expect(true, kNecLeaderMarkUs) && reader.expect(false, 2250) &&
      reader.expect(true, kNecUnitUs))
    return Parsed{std::nullopt, reader.position()};
  return std::nullopt;
}

std::optional<Parsed> AehaFrameAt(RunReader& reader) {
  const std::optional<int> leader = reader.take(true, 8 * kAehaMaxUnitUs + kToleranceUs);
  if (!leader || *leader < 8 * kAehaMinUnitUs - kToleranceUs) return std::nullopt;
  const std::optional<int> leader_space = reader.take(false, 4 * kAehaMaxUnitUs + kToleranceUs);
  if (!leader_space || !reader.is(*leader_space, *leader / 2)) return std::nullopt;
  const int unit_us = (*leader + *leader_space) / 12;
  const std::vector<bool> bits = BitsOfSpaces(reader, unit_us, unit_us, 3 * unit_us, 8 * 64);
  if (bits.size() < 24 || bits.size() % 8 != 0 || reader.ranOut() || !reader.gap(kAehaMinGapUs))
    return std::nullopt;
  const std::vector<std::uint8_t> b = BytesOf(bits);
  const int parity = (b[0] >> 4) ^ (b[0] & 0xF) ^ (b[1] >> 4) ^ (b[1] & 0xF);
  if ((b[2] & 0xF) != parity) return std::nullopt;
  Frame frame{Protocol::Aeha, {b[1], b[0]}, static_cast<int>(bits.size()), 0};
  frame.fields.insert(frame.fields.end(), b.begin() + 2, b.end());
  return Parsed{frame, reader.position()};
}

constexpr int kSircUnitUs = 600;

std::optional<Parsed> SircFrameAt(RunReader& reader) {
  if (!reader.expect(true, 4 * kSircUnitUs) || !reader.expect(false, kSircUnitUs)) return std::nullopt;
  std::vector<bool> bits;
  while (bits.size() <= 20) {
    const std::optional<int> mark = reader.take(true, 2 * kSircUnitUs + kToleranceUs);
    if (!mark) break;
    if (!Near(*mark, kSircUnitUs) && !reader.is(*mark, 2 * kSircUnitUs)) return std::nullopt;
    bits.push_back(Near(*mark, 2 * kSircUnitUs));
    // The last bit's space runs into the gap after the frame.
    const std::optional<int> space = reader.take(false, kSircUnitUs + kToleranceUs);
    if (!space) break;
    if (!reader.is(*space, kSircUnitUs)) return std::nullopt;
  }
  if (reader.ranOut() || (bits.size() != 12 && bits.size() != 15 && bits.size() != 20)) return std::nullopt;
  auto field = [&](std::size_t from, std::size_t count) {
    std::uint8_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value |= static_cast<std::uint8_t>(bits[from + i] << i);
    return value;
  };
  const std::size_t address_bits = bits.size() == 15 ? 8 : 5;
  Frame frame{Protocol::Sirc, {field(7, address_bits), field(0, 7)}, static_cast<int>(bits.size()), 0};
  if (bits.size() == 20) frame.fields.push_back(field(12, 8));
  return Parsed{frame, reader.position()};
}

using Parser = std::optional<Parsed> (*)(RunReader&);

// Frames from run `at` on: the first parser that names the runs there wins.
std::optional<Parsed> FrameAt(const std::vector<Run>& runs, std::size_t at, bool& cut_off) {
  for (Parser parse : {NecFrameAt, NecRepeatAt, AehaFrameAt, SircFrameAt}) {
    RunReader reader(runs, at);
    std::optional<Parsed> parsed = parse(reader);
    if (parsed) return parsed;
    cut_off = cut_off || reader.ranOut();
  }
  return std::nullopt;
}

std::vector<Run> RunsOf(const std::vector<bool>& samples) {
  std::vector<Run> runs;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    if (samples[i] == samples[i - 1]) {
      if (!runs.empty()) runs.back().us += kSampleUs;
    } else {
      runs.push_back({samples[i], kSampleUs});
    }
  }
  return runs;
}

void AddFrame(Decoded& decoded, const Parsed& parsed) {
  std::vector<Frame>& frames = decoded.frames;
  if (!parsed.frame) {  // an NEC repeat code
    if (!frames.empty() && frames.back().protocol == Protocol::Nec)
      ++frames.back().repeats;
    else
      decoded.unknown_runs = true;
    return;
  }
  Frame frame = *parsed.frame;
  if (!frames.empty() && frames.back().protocol == frame.protocol &&
      frames.back().fields == frame.fields && frames.back().bits == frame.bits)
    ++frames.back().repeats;
  else
    frames.push_back(std::move(frame));
}

std::string Hex(const char* format, unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string NameOf(const Frame& frame) {
  const std::vector<std::uint8_t>& f = frame.fields;
  std::string name;
  switch (frame.protocol) {
    case Protocol::Nec:
      name = f.size() == 3 ? "NEC  address " + Hex("0x%04x", f[1] << 8 | f[0]) + "  command " + Hex("0x%02x", f[2])
                           : "NEC  address " + Hex("0x%02x", f[0]) + "  command " + Hex("0x%02x", f[1]);
      break;
    case Protocol::Aeha:
      name = "AEHA  maker " + Hex("0x%04x", f[0] << 8 | f[1]) + "  data";
      for (std::size_t i = 2; i < f.size(); ++i) name += Hex(" %02x", f[i]);
      break;
    case Protocol::Sirc:
      name = "SIRC-" + std::to_string(frame.bits) + "  address " + Hex("0x%02x", f[0]) + "  command " +
             Hex("0x%02x", f[1]);
      if (f.size() == 3) name += "  extended " + Hex("0x%02x", f[2]);
      break;
  }
  if (frame.repeats > 0) name += "  ×" + std::to_string(frame.repeats + 1);
  return name;
}

}  // namespace

std::vector<bool> SamplesOf(std::span<const std::uint8_t> code, BitOrder order) {
  std::vector<bool> samples;
  samples.reserve(code.size() * 8);
  for (std::uint8_t byte : code)
    for (int i = 0; i < 8; ++i)
      samples.push_back(byte >> (order == BitOrder::LeastSignificantFirst ? i : 7 - i) & 1);
  return samples;
}

BitOrder BitOrderOf(std::span<const std::uint8_t> code) {
  const int lsb = ChangesIn(SamplesOf(code, BitOrder::LeastSignificantFirst));
  const int msb = ChangesIn(SamplesOf(code, BitOrder::MostSignificantFirst));
  return msb < lsb ? BitOrder::MostSignificantFirst : BitOrder::LeastSignificantFirst;
}

Decoded Decode(std::span<const std::uint8_t> code) {
  Decoded decoded;
  decoded.order = BitOrderOf(code);
  const std::vector<bool> samples = SamplesOf(code, decoded.order);
  if (samples.empty()) return decoded;
  decoded.idle_mark = samples.back();
  decoded.cut_off = decoded.idle_mark;
  decoded.runs = RunsOf(samples);
  std::size_t at = 0;
  while (at < decoded.runs.size()) {
    if (!decoded.runs[at].mark) {  // the space between frames
      ++at;
      continue;
    }
    const std::optional<Parsed> parsed = FrameAt(decoded.runs, at, decoded.cut_off);
    if (!parsed) {
      decoded.unknown_runs = true;
      ++at;
      continue;
    }
    AddFrame(decoded, *parsed);
    at = parsed->next;
  }
  return decoded;
}

std::string SummaryOf(const Decoded& decoded) {
  std::string summary;
  for (const Frame& frame : decoded.frames) summary += (summary.empty() ? "" : "; ") + NameOf(frame);
  if (summary.empty()) summary = "unknown";
  if (decoded.cut_off) summary += "  (cut off at 192 ms)";
  return summary;
}

std::string RunListOf(const Decoded& decoded) {
  std::string list;
  for (const Run& run : decoded.runs)
    list += (run.mark ? "mark " : "space ") + std::to_string(run.us) + " µs\n";
  return list;
}

Picture PictureOf(const Decoded& decoded) {
  Picture picture{kCodeUs, {}, {}};
  int runs_us = 0;
  for (const Run& run : decoded.runs) runs_us += run.us;
  const bool first_mark = decoded.runs.empty() ? decoded.idle_mark : !decoded.runs.front().mark;
  int at = 0;
  auto add = [&](bool mark, int us) {
    if (us == 0) return;
    if (!picture.levels.empty() && picture.levels.back().mark == mark)
      picture.levels.back().end_us += us;
    else
      picture.levels.push_back({at, at + us, mark});
    at += us;
  };
  add(first_mark, kCodeUs - runs_us);
  for (const Run& run : decoded.runs) add(run.mark, run.us);
  for (int ms = 0; ms * 1000 <= kCodeUs; ++ms)
    picture.ticks.push_back({ms * 1000, ms % 20 == 0 ? std::to_string(ms) + " ms" : ""});
  return picture;
}

}  // namespace brisvel::signal
