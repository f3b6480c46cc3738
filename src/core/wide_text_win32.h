#pragma once
// UTF-16, the Windows API's text, to and from UTF-8, the core's.
#include <string>
#include <string_view>

namespace brisvel {

// An unpaired surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);
// Bytes that are not UTF-8 become U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);

}  // namespace brisvel
