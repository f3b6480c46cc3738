#pragma once
// The two conversions each system supplies for sjis.cpp.
#include <string>
#include <string_view>

namespace brisvel::sjis::detail {

// Decodes Shift-JIS (code page 932) to UTF-8 as far as it can; returns false at the first
// byte that starts no valid character, with `in` pointing at it.
bool DecodeValidPrefix(std::string_view& in, std::string& out);

// Encodes UTF-8 as Shift-JIS; false when a character has no Shift-JIS form.
bool Encode(std::string_view utf8, std::string& out);

}  // namespace brisvel::sjis::detail
