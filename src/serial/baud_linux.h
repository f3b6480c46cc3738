#pragma once
// Arbitrary line speeds through termios2. Kept in its own unit: <asm/termbits.h> clashes
// with <termios.h>.

#include <cstdint>

namespace brisvel::serial::detail {

bool setAnyBaud(int fd, uint32_t baud);
bool getBaud(int fd, uint32_t& baud);

}  // namespace brisvel::serial::detail
