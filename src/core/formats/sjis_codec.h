#pragma once
// The two conversions each system supplies for sjis.cpp.
#include <string>
#include <string_view>

namespace brisvel::sjis::detail {

inline constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Shift-JIS (code page 932) to UTF-8, each byte that starts no valid character replaced.
std::string Decode(std::string_view sjis);

// UTF-8 to Shift-JIS; false when a character has no Shift-JIS form.
bool Encode(std::string_view utf8, std::string& out);

}  // namespace brisvel::sjis::detail
