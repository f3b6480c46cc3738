#include "core/signal/decode.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace brisvel::signal {
namespace {

// Sampling puts each edge up to a sample off, and a remote's own timing wanders about as much
// again at each edge: a duration is taken as nominal within three samples, or a quarter of it
// for the long ones.
bool Near(int us, int nominal) { return std::abs(us - nominal) <= std::max(3 * kSampleUs, nominal / 4); }

// A pause this long ends a frame; every format's own spaces are shorter.
constexpr int kFrameGapUs = 8000;

constexpr int kNecLeaderMarkUs = 9000;
constexpr int kNecLeaderSpaceUs = 4500;
constexpr int kNecRepeatSpaceUs = 2250;
constexpr int kNecBitMarkUs = 560;
constexpr int kNecZeroSpaceUs = 560;
constexpr int kNecOneSpaceUs = 1690;
constexpr int kAehaShortestT = 350;
constexpr int kAehaLongestT = 500;
constexpr int kSircLeaderMarkUs = 2400;
constexpr int kSircSpaceUs = 600;
constexpr int kSircZeroMarkUs = 600;
constexpr int kSircOneMarkUs = 1200;
// The shortest mark a frame may start with: AEHA's 8T at its shortest T, less a sample.
constexpr int kShortestLeaderUs = 8 * (kAehaShortestT - kSampleUs);

// Reads runs from a position; a read past the end means the code stopped inside a frame.
class RunReader {
 public:
  RunReader(const std::vector<Run>& runs, std::size_t at) : runs_(runs), at_(at) {}

  std::optional<int> mark() { return next(true); }
  std::optional<int> space() { return next(false); }
  // The space after a frame: what follows, or the rest of the capture when nothing does.
  bool frameEnds() {
    if (at_ == runs_.size()) return true;
    return !runs_[at_].mark && (runs_[at_].us >= kFrameGapUs || at_ + 1 == runs_.size());
  }
  bool ranOut() const { return ran_out_; }
  std::size_t at() const { return at_; }

 private:
  std::optional<int> next(bool mark) {
    if (at_ == runs_.size()) {
      ran_out_ = true;
      return std::nullopt;
    }
    if (runs_[at_].mark != mark) return std::nullopt;
    return runs_[at_++].us;
  }

  const std::vector<Run>& runs_;
  std::size_t at_;
  bool ran_out_ = false;
};

struct Parsed {
  std::optional<Frame> frame;
  bool nec_repeat = false;
  std::size_t end = 0;
  bool ran_out = false;
};

// Pulse-distance bits (NEC, AEHA): a short mark, then a space that says 0 or 1.
std::optional<std::vector<std::uint8_t>> DistanceBytes(RunReader& reader, int mark_us, int zero_us, int one_us,
                                                       int max_bytes) {
  std::vector<std::uint8_t> bytes;
  for (int bit = 0; bit < max_bytes * 8; ++bit) {
    const auto mark = reader.mark();
    if (!mark || !Near(*mark, mark_us)) return std::nullopt;
    if (bit % 8 == 0 && bit > 0 && reader.frameEnds()) return bytes;  // the mark just read was the stop bit
    const auto space = reader.space();
    if (!space) return std::nullopt;
    const bool one = std::abs(*space - one_us) < std::abs(*space - zero_us);
    if (!Near(*space, one ? one_us : zero_us)) return std::nullopt;
    if (bit % 8 == 0) bytes.push_back(0);
    if (one) bytes.back() |= static_cast<std::uint8_t>(1u << (bit % 8));
  }
  const auto stop = reader.mark();
  if (!stop || !Near(*stop, mark_us) || !reader.frameEnds()) return std::nullopt;
  return bytes;
}

// Every format starts with a leader mark and a space; `read` takes the frame from there.
template <typename Read>
Parsed ParseFrom(const std::vector<Run>& runs, std::size_t at, Read read) {
  RunReader reader(runs, at);
  Parsed parsed;
  const auto leader = reader.mark();
  const auto gap = reader.space();
  if (leader && gap) read(reader, *leader, *gap, parsed);
  parsed.end = reader.at();
  parsed.ran_out = reader.ranOut();
  return parsed;
}

Parsed ParseNec(const std::vector<Run>& runs, std::size_t at) {
  return ParseFrom(runs, at, [](RunReader& reader, int leader, int gap, Parsed& parsed) {
    if (!Near(leader, kNecLeaderMarkUs)) return;
    if (Near(gap, kNecRepeatSpaceUs)) {
      const auto stop = reader.mark();
      parsed.nec_repeat = stop && Near(*stop, kNecBitMarkUs) && reader.frameEnds();
      return;
    }
    if (!Near(gap, kNecLeaderSpaceUs)) return;
    const auto bytes = DistanceBytes(reader, kNecBitMarkUs, kNecZeroSpaceUs, kNecOneSpaceUs, 4);
    // The command's complement always holds; the address's only in the 8-bit form.
    if (bytes && bytes->size() == 4 && (*bytes)[3] == static_cast<std::uint8_t>(~(*bytes)[2])) {
      const auto& b = *bytes;
      parsed.frame = Frame{Protocol::Nec,
                           b[1] == static_cast<std::uint8_t>(~b[0]) ? std::vector<std::uint8_t>{b[0], b[2]}
                                                                    : std::vector<std::uint8_t>{b[0], b[1], b[2]},
                           32};
    }
  });
}

// The maker code's four nibbles, folded: what the first data byte's low nibble must be.
std::uint8_t AehaParity(std::uint8_t low, std::uint8_t high) {
  return static_cast<std::uint8_t>((low ^ (low >> 4) ^ high ^ (high >> 4)) & 0x0F);
}

Parsed ParseAeha(const std::vector<Run>& runs, std::size_t at) {
  return ParseFrom(runs, at, [](RunReader& reader, int leader, int gap, Parsed& parsed) {
    const int t = leader / 8;
    if (t < kAehaShortestT - kSampleUs || t > kAehaLongestT + kSampleUs || !Near(gap, 4 * t)) return;
    const auto bytes = DistanceBytes(reader, t, t, 3 * t, 64);
    if (bytes && bytes->size() >= 3 && ((*bytes)[2] & 0x0F) == AehaParity((*bytes)[0], (*bytes)[1])) {
      std::vector<std::uint8_t> fields{(*bytes)[1], (*bytes)[0]};
      fields.insert(fields.end(), bytes->begin() + 2, bytes->end());
      parsed.frame = Frame{Protocol::Aeha, std::move(fields), static_cast<int>(bytes->size()) * 8};
    }
  });
}

// Pulse-width bits: the mark says 0 or 1, a fixed space follows all but the last.
Parsed ParseSirc(const std::vector<Run>& runs, std::size_t at) {
  return ParseFrom(runs, at, [](RunReader& reader, int leader, int gap, Parsed& parsed) {
    if (!Near(leader, kSircLeaderMarkUs) || !Near(gap, kSircSpaceUs)) return;
    std::uint32_t value = 0;
    int bits = 0;
    for (;;) {
      const auto mark = reader.mark();
      if (!mark) break;
      const bool one = std::abs(*mark - kSircOneMarkUs) < std::abs(*mark - kSircZeroMarkUs);
      if (!Near(*mark, one ? kSircOneMarkUs : kSircZeroMarkUs) || bits == 20) return;
      if (one) value |= 1u << bits;
      ++bits;
      if (reader.frameEnds()) break;
      const auto space = reader.space();
      if (!space || !Near(*space, kSircSpaceUs)) return;
    }
    const auto byte = [&](int from, int width) { return static_cast<std::uint8_t>((value >> from) & ((1u << width) - 1)); };
    if (bits == 12 || bits == 15) parsed.frame = Frame{Protocol::Sirc, {byte(0, 7), byte(7, bits - 7)}, bits};
    if (bits == 20) parsed.frame = Frame{Protocol::Sirc, {byte(0, 7), byte(7, 5), byte(12, 8)}, bits};
  });
}

int SampleAt(std::span<const std::uint8_t> code, std::size_t i, BitOrder order) {
  const int bit = order == BitOrder::LeastSignificantFirst ? static_cast<int>(i % 8) : 7 - static_cast<int>(i % 8);
  return (code[i / 8] >> bit) & 1;
}

// Straight from the bytes: a list's every row is decoded at once by show and check.
std::vector<Run> RunsOfCode(std::span<const std::uint8_t> code, BitOrder order) {
  std::vector<Run> runs;
  runs.reserve(128);
  const auto add = [&runs](bool mark, int us) {
    if (runs.empty() || runs.back().mark != mark)
      runs.push_back({mark, us});
    else
      runs.back().us += us;
  };
  for (const std::uint8_t byte : code) {
    if (byte == 0x00 || byte == 0xFF) {  // the common case: eight samples at one level
      add(byte != 0, 8 * kSampleUs);
      continue;
    }
    for (int bit = 0; bit < 8; ++bit)
      add((byte >> (order == BitOrder::LeastSignificantFirst ? bit : 7 - bit)) & 1, kSampleUs);
  }
  // The line before the first change is idle, not part of any frame.
  if (runs.size() > 1 && runs.front().mark == runs.back().mark) runs.erase(runs.begin());
  if (runs.size() == 1) runs.clear();
  return runs;
}

void DecodeFrames(Decoded& decoded) {
  const std::vector<Run>& runs = decoded.runs;
  std::size_t at = 0;
  while (at < runs.size()) {
    if (!runs[at].mark) {
      ++at;
      continue;
    }
    if (runs[at].us < kShortestLeaderUs) {  // no frame starts here: spares a noisy code three parses a run
      decoded.unknown_runs = true;
      ++at;
      continue;
    }
    bool named = false;
    for (auto parse : {ParseNec, ParseAeha, ParseSirc}) {
      const Parsed parsed = parse(runs, at);
      if (parsed.ran_out) decoded.cut_off = true;
      Frame* last = decoded.frames.empty() ? nullptr : &decoded.frames.back();
      if (parsed.nec_repeat && last && last->protocol == Protocol::Nec) {
        ++last->repeats;
      } else if (parsed.frame && last && *last == Frame{parsed.frame->protocol, parsed.frame->fields,
                                                         parsed.frame->bits, last->repeats}) {
        ++last->repeats;
      } else if (parsed.frame) {
        decoded.frames.push_back(*parsed.frame);
      } else {
        continue;
      }
      at = parsed.end;
      named = true;
      break;
    }
    if (!named) {
      decoded.unknown_runs = true;
      ++at;
    }
  }
}

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string Describe(const Frame& frame) {
  const auto& f = frame.fields;
  std::string line;
  switch (frame.protocol) {
    case Protocol::Nec:
      line = f.size() == 2 ? "NEC  address " + Hex(f[0], 2) + "  command " + Hex(f[1], 2)
                           : "NEC  address " + Hex(f[1] << 8 | f[0], 4) + "  command " + Hex(f[2], 2);
      break;
    case Protocol::Aeha:
      line = "AEHA  maker " + Hex(f[0] << 8 | f[1], 4) + "  data";
      for (std::size_t i = 2; i < f.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, " %02X", f[i]);
        line += byte;
      }
      break;
    case Protocol::Sirc:
      line = "SIRC-" + std::to_string(frame.bits) + "  address " + Hex(f[1], 2) + "  command " + Hex(f[0], 2);
      if (f.size() > 2) line += "  extended " + Hex(f[2], 2);
      break;
  }
  if (frame.repeats > 0) line += "  ×" + std::to_string(frame.repeats + 1);
  return line;
}

}  // namespace

// The changes inside a byte are the same under either order; only those between bytes differ.
BitOrder BitOrderOf(std::span<const std::uint8_t> code) {
  int lsb_changes = 0;
  int msb_changes = 0;
  for (std::size_t i = 1; i < code.size(); ++i) {
    lsb_changes += (code[i - 1] >> 7) != (code[i] & 1);
    msb_changes += (code[i - 1] & 1) != (code[i] >> 7);
  }
  return msb_changes < lsb_changes ? BitOrder::MostSignificantFirst : BitOrder::LeastSignificantFirst;
}

Decoded Decode(std::span<const std::uint8_t> code) {
  Decoded decoded;
  if (code.empty()) return decoded;
  decoded.order = BitOrderOf(code);
  decoded.idle_mark = SampleAt(code, code.size() * 8 - 1, decoded.order);
  decoded.cut_off = decoded.idle_mark;  // a remote never rests with its carrier on
  decoded.runs = RunsOfCode(code, decoded.order);
  DecodeFrames(decoded);
  return decoded;
}

std::string SummaryOf(const Decoded& decoded) {
  std::string line;
  for (const Frame& frame : decoded.frames) line += (line.empty() ? "" : "  /  ") + Describe(frame);
  if (line.empty()) line = "unknown";
  if (decoded.cut_off) line += "  (cut off at 192 ms)";
  return line;
}

std::string RunListOf(const Decoded& decoded) {
  std::string list;
  for (const Run& run : decoded.runs)
    list += std::string(run.mark ? "mark " : "space ") + std::to_string(run.us) + " µs\n";
  return list;
}

Picture PictureOf(const Decoded& decoded) {
  Picture picture;
  picture.length_us = kCodeUs;
  int at = kCodeUs;
  for (const Run& run : decoded.runs) at -= run.us;
  if (at > 0) picture.levels.push_back({0, at, decoded.idle_mark});
  for (const Run& run : decoded.runs) {
    picture.levels.push_back({at, at + run.us, run.mark});
    at += run.us;
  }
  for (int ms = 0; ms * 1000 <= kCodeUs; ++ms)
    picture.ticks.push_back({ms * 1000, ms % 20 == 0 ? std::to_string(ms) + " ms" : std::string()});
  return picture;
}

}  // namespace brisvel::signal
