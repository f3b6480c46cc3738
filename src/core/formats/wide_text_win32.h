#pragma once
// UTF-16, the Windows API's text, to UTF-8, the core's, and back.
#include <string>
#include <string_view>

namespace brisvel {

// An unpaired surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);
// A byte that is not UTF-8 becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);

}  // namespace brisvel
