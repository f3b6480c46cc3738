#include "core/formats/sjis.h"

#include <algorithm>

#include "core/formats/sjis_codec.h"

namespace brisvel::sjis {
namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0xC0) return 1;
  if (lead < 0xE0) return 2;
  return lead < 0xF0 ? 3 : 4;
}

// The longest start of `utf8` whose whole characters fit in `max_bytes` of Shift-JIS. Counted
// a character at a time and cut in UTF-8, so the kept text is the very text that came in.
std::string_view WholeCharactersWithin(std::string_view utf8, size_t max_bytes) {
  size_t used = 0, end = 0;
  while (end < utf8.size()) {
    const size_t length = std::min(Utf8SequenceLength(static_cast<unsigned char>(utf8[end])), utf8.size() - end);
    used += length == 1 ? 1 : FromUtf8(utf8.substr(end, length)).value_or("  ").size();
    if (used > max_bytes) break;
    end += length;
  }
  return utf8.substr(0, end);
}

}  // namespace

std::string ToUtf8(std::string_view sjis) {
  if (IsAscii(sjis)) return std::string(sjis);  // the 480-digit data texts
  return detail::Decode(sjis);
}

std::optional<std::string> FromUtf8(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  if (!detail::Encode(utf8, out)) return std::nullopt;
  return out;
}

std::optional<EditedLine> FitToLimit(std::string_view before, std::string_view after, size_t max_bytes) {
  const auto before_bytes = FromUtf8(before), after_bytes = FromUtf8(after);
  if (!before_bytes || !after_bytes || before_bytes->size() + after_bytes->size() <= max_bytes) return std::nullopt;
  const std::string_view kept_after = WholeCharactersWithin(after, max_bytes);
  const size_t room = max_bytes - std::min(after_bytes->size(), max_bytes);
  return EditedLine{std::string(WholeCharactersWithin(before, room)), std::string(kept_after)};
}

}  // namespace brisvel::sjis
