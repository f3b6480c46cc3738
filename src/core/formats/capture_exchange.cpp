#include "core/formats/capture_exchange.h"

#include <charconv>

namespace brisvel {

std::string HexText(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (uint8_t byte : bytes) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
  }
  return text;
}

std::optional<unit::Code> CodeOfHexText(std::string_view text) {
  if (text.size() != 2 * kCodeBytes) return std::nullopt;
  unit::Code code{};
  for (std::size_t i = 0; i < kCodeBytes; ++i) {
    const char* digits = text.data() + 2 * i;
    if (std::from_chars(digits, digits + 2, code[i], 16).ptr != digits + 2) return std::nullopt;
  }
  return code;
}

}  // namespace brisvel
