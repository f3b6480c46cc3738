#pragma once
// The speeds a tty reports in each direction. termios2 is the only interface that tells the
// input speed apart, and its header cannot share a unit with <termios.h>.

#include <cstdint>

namespace brisvel::serial::testing {

struct TtySpeeds {
  uint32_t input = 0;
  uint32_t output = 0;
};

// Both zero when the descriptor is not a tty.
TtySpeeds ttySpeeds(int fd);

}  // namespace brisvel::serial::testing
