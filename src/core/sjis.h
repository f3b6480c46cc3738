#pragma once
// Shift-JIS (Windows code page 932) text. Every name and data text the tool stores
// is kept as the Shift-JIS bytes it was given; it is decoded only for display.
#include <optional>
#include <string>
#include <string_view>

namespace brisvel::sjis {

// A lead byte starts a two-byte character; 0xA1-0xDF are single-byte half-width katakana.
constexpr bool IsLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Decodes for display. A byte that is not valid Shift-JIS becomes U+FFFD, one per byte,
// so the caller's bytes are never needed back from this text.
std::string ToUtf8(std::string_view sjis);

// Encodes UTF-8 text, or returns nothing when a character has no Shift-JIS form.
std::optional<std::string> FromUtf8(std::string_view utf8);

}  // namespace brisvel::sjis
