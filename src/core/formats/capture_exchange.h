#pragma once
// A captured code as the list keeps it: the unit's code bytes (unit/protocol.h) as a data
// text of two hexadecimal digits each.
#include <cstdint>
#include <span>
#include <string>

#include "unit/protocol.h"

namespace brisvel {

using unit::kCodeBytes;

// Two uppercase hexadecimal digits per byte, in order, no separators.
std::string HexText(std::span<const uint8_t> bytes);

}  // namespace brisvel
