#pragma once
// A captured code as the list keeps it: the unit's code bytes (unit/protocol.h) as a data
// text of two hexadecimal digits each.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "unit/protocol.h"

namespace brisvel {

using unit::kCodeBytes;

// Two uppercase hexadecimal digits per byte, in order, no separators.
std::string HexText(std::span<const uint8_t> bytes);
// The code a data text holds: exactly 480 hexadecimal digits, either case.
std::optional<unit::Code> CodeOfHexText(std::string_view text);

}  // namespace brisvel
