#include "sjis.h"

#include <algorithm>

#include "core/sjis_codec.h"

namespace brisvel::sjis {
namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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

}  // namespace brisvel::sjis
