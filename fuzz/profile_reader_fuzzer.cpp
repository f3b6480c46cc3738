// Any bytes read as a settings file without a crash, and a value written into any file reads
// back as written. The input's first line is the value, the rest the file it is written into;
// the whole input is also read as a file of its own.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/formats/profile.h"

namespace {

constexpr std::string_view kSection = "SETTING";
constexpr std::string_view kKey = "COM";

// No holdable value has a line break, so a key that went missing cannot pass for one.
constexpr std::string_view kMissing = "\n";

// The value as a profile can hold it. It is one line of a line-based file, and the Windows
// functions take it as a C string, so CR and NUL go (LF already ended the line). What a read
// gives back is at most kMaxValueBytes long, with the blanks at either end trimmed, so those
// are dropped here too. A value enclosed in matching quotes reads back without them, so the
// profile cannot hold it as it is: such inputs are skipped.
std::optional<std::string> HoldableValue(std::string_view line) {
  std::string value;
  for (char c : line) {
    if (c != '\r' && c != '\0') value += c;
  }
  value.resize(std::min(value.size(), brisvel::profile::kMaxValueBytes));
  const size_t first = value.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  value = value.substr(first, value.find_last_not_of(" \t") + 1 - first);
  const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                      value.back() == value.front();
  if (quoted) return std::nullopt;
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (brisvel::profile::ReadString(input, kSection, kKey, "").size() > brisvel::profile::kMaxValueBytes) std::abort();

  const size_t line_end = std::min(input.find('\n'), input.size());
  const std::optional<std::string> value = HoldableValue(input.substr(0, line_end));
  if (!value) return 0;
  const std::string_view file = input.substr(std::min(line_end + 1, input.size()));
  const std::string written = brisvel::profile::WriteString(file, kSection, kKey, *value);
  if (brisvel::profile::ReadString(written, kSection, kKey, kMissing) != *value) std::abort();
  return 0;
}
