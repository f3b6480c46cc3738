#include "pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace brisvel::unit_sim {
namespace {

[[noreturn]] void ThrowSystemError(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

// Raw at the unit's line speed, so no echo, no newline translation and no flow-control
// byte ever alters the code bytes, whatever the tool leaves set when it closes.
void MakeRaw(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) ThrowSystemError("tcgetattr");
  cfmakeraw(&settings);
  cfsetispeed(&settings, B115200);
  cfsetospeed(&settings, B115200);
  if (tcsetattr(fd, TCSANOW, &settings) != 0) ThrowSystemError("tcsetattr");
}

}  // namespace

PseudoTerminal::PseudoTerminal() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0) ThrowSystemError("posix_openpt");
  try {
    if (fcntl(master_, F_SETFD, FD_CLOEXEC) != 0) ThrowSystemError("fcntl");
    if (grantpt(master_) != 0) ThrowSystemError("grantpt");
    if (unlockpt(master_) != 0) ThrowSystemError("unlockpt");
    const char* name = ptsname(master_);
    if (!name) ThrowSystemError("ptsname");
    slave_path_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) ThrowSystemError("open slave");
    MakeRaw(slave_);
  } catch (...) {
    if (slave_ >= 0) close(slave_);
    close(master_);
    throw;
  }
}

PseudoTerminal::~PseudoTerminal() { HangUp(); }

void PseudoTerminal::HangUp() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
  slave_ = master_ = -1;
}

}  // namespace brisvel::unit_sim
