#include "line_pty.h"

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "serial/baud_linux.h"

namespace brisvel::serial::testing {

struct Pty::Impl {
  int master = -1;
  int slave = -1;
};

Pty::Pty() : impl_(std::make_unique<Impl>()) {
  char name[256] = {};
  if (openpty(&impl_->master, &impl_->slave, name, nullptr, nullptr) == 0) path = name;
}

Pty::~Pty() {
  closeMaster();
  if (impl_->slave >= 0) ::close(impl_->slave);
}

void Pty::closeMaster() {
  if (impl_->master >= 0) ::close(impl_->master);
  impl_->master = -1;
}

void Pty::send(const Bytes& bytes) const {
  [[maybe_unused]] auto n = ::write(impl_->master, bytes.data(), bytes.size());
}

Bytes Pty::receive(std::size_t count, std::chrono::milliseconds limit) const {
  using Clock = std::chrono::steady_clock;
  auto deadline = Clock::now() + limit;
  Bytes bytes;
  while (bytes.size() < count) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    pollfd p{impl_->master, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
    unsigned char buffer[4096];
    ssize_t n = ::read(impl_->master, buffer, std::min(sizeof buffer, count - bytes.size()));
    if (n <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

TtyState Pty::tty() const {
  termios t{};
  TtyState s;
  if (tcgetattr(impl_->slave, &t) != 0) return s;
  detail::getBaud(impl_->slave, s.baud);
  s.parityOdd = t.c_cflag & PARODD;
  s.parityStick = t.c_cflag & CMSPAR;
  s.twoStopBits = t.c_cflag & CSTOPB;
  s.raw = !(t.c_lflag & (ICANON | ECHO));
  s.local = t.c_cflag & CLOCAL;
  s.xonOutput = t.c_iflag & IXON;
  s.xonInput = t.c_iflag & IXOFF;
  s.ctsFlow = t.c_cflag & CRTSCTS;
  s.startChar = t.c_cc[VSTART];
  s.stopChar = t.c_cc[VSTOP];
  return s;
}

void Pty::presetTty(bool twoStopBits, unsigned char startChar) {
  termios t{};
  if (tcgetattr(impl_->slave, &t) != 0) return;
  if (twoStopBits) t.c_cflag |= CSTOPB;
  t.c_cc[VSTART] = startChar;
  tcsetattr(impl_->slave, TCSANOW, &t);
}

}  // namespace brisvel::serial::testing
