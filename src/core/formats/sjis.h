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

// A line edit that holds at most `max_bytes` of Shift-JIS, just after typing or a paste: `before`
// ends at the caret (what came in, and what preceded it), `after` is what the line held past
// it. Both UTF-8.
struct EditedLine {
  std::string before;
  std::string after;
};
// What such an edit keeps: `before` cut after the last whole character that fits beside
// `after`, as an edit control with a text limit cuts, and `after` cut to the limit. Nothing
// when the line fits, or holds a character Shift-JIS cannot: that text stays, so that OK can
// say what is wrong with it.
std::optional<EditedLine> FitToLimit(std::string_view before, std::string_view after, size_t max_bytes);

}  // namespace brisvel::sjis
