#pragma once
// UTF-16, the Windows API's text, to UTF-8, the core's.
#include <string>
#include <string_view>

namespace brisvel {

// An unpaired surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace brisvel
