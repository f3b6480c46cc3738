#include "sjis.h"

#include <algorithm>

#include "core/text_converter.h"

namespace brisvel::sjis {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

// iconv_open is costly next to converting one short name, and a converter holds shift
// state, so each thread keeps one per direction.
std::string ToUtf8(std::string_view sjis) {
  if (IsAscii(sjis)) return std::string(sjis);  // the 480-digit data texts
  thread_local TextConverter decoder("UTF-8", "CP932");
  return decoder.ConvertReplacing(sjis, kReplacement);
}

std::optional<std::string> FromUtf8(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local TextConverter encoder("CP932", "UTF-8");
  std::string out;
  if (!encoder.Convert(utf8, out)) return std::nullopt;
  return out;
}

}  // namespace brisvel::sjis
