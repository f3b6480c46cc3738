#include "line_pty.h"

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tty_speeds_linux.h"

namespace brisvel::serial::testing {

std::string NullDevice() { return "/dev/null"; }

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

bool Pty::waitForInput(std::size_t bytes) const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  int queued = -1;
  while (ioctl(impl_->slave, FIONREAD, &queued) == 0 && static_cast<std::size_t>(queued) != bytes &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return static_cast<std::size_t>(queued) == bytes;
}

std::size_t Pty::drain() const {
  std::size_t total = 0;
  unsigned char buffer[4096];
  pollfd p{impl_->master, POLLIN, 0};
  while (::poll(&p, 1, 100) > 0 && (p.revents & POLLIN)) {
    ssize_t n = ::read(impl_->master, buffer, sizeof buffer);
    if (n <= 0) break;
    total += static_cast<std::size_t>(n);
  }
  return total;
}

TtyState Pty::tty() const {
  termios t{};
  TtyState s;
  if (tcgetattr(impl_->slave, &t) != 0) return s;
  const TtySpeeds speeds = ttySpeeds(impl_->slave);
  s.inputBaud = speeds.input;
  s.outputBaud = speeds.output;
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
