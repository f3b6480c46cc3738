#include "tty_speeds_linux.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace brisvel::serial::testing {

TtySpeeds ttySpeeds(int fd) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return {};
  return {tio.c_ispeed, tio.c_ospeed};
}

}  // namespace brisvel::serial::testing
