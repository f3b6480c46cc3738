// Linux serial port: termios (termios2 for arbitrary speeds) on a non-blocking descriptor,
// an epoll set holding the port (edge-triggered, so queued bytes do not keep it ready) and an
// eventfd that mask changes signal.

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <utility>

#include "serial/baud_linux.h"
#include "serial/serial_port.h"
#include "serial/transfer_timer.h"

namespace brisvel::serial {

namespace {

constexpr int kHangUpPauseMs = 100;
constexpr int kModemSampleMs = 10;
constexpr uint32_t kModemEvents = kEvCts | kEvDsr | kEvRlsd | kEvRing;

// Flag-word fields (bit numbers as in rsflowset).
constexpr uint32_t kFlagParityCheck = 1u << 1;
constexpr uint32_t kFlagOutxCts = 1u << 2;
constexpr uint32_t kFlagOutX = 1u << 8;
constexpr uint32_t kFlagInX = 1u << 9;
constexpr unsigned kDtrShift = 4;
constexpr unsigned kRtsShift = 12;
constexpr uint32_t kControlDisable = 0;
constexpr uint32_t kControlHandshake = 2;

PortErrorKind kindOf(int code) {
  switch (code) {
    case ENOENT: case ENODEV: case ENXIO: return PortErrorKind::NotFound;
    case EBUSY: case EWOULDBLOCK: return PortErrorKind::Busy;
    case EACCES: case EPERM: return PortErrorKind::Permission;
    case ENOTTY: case EINVAL: case EISDIR: return PortErrorKind::NotSupported;
    case ETIMEDOUT: return PortErrorKind::Timeout;
    case EIO: return PortErrorKind::HungUp;
    default: return PortErrorKind::Other;
  }
}

// A pty has no modem lines; its refusal is not a failure of the caller.
bool refusedByPty(int code) { return code == ENOTTY || code == EINVAL; }

struct SpeedCode {
  uint32_t baud;
  speed_t code;
};
constexpr std::array<SpeedCode, 26> kStandardSpeeds{{
    {50, B50},         {75, B75},           {110, B110},         {134, B134},
    {150, B150},       {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},     {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},     {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000},
}};

const SpeedCode* standardSpeed(uint32_t baud) {
  for (const auto& s : kStandardSpeeds)
    if (s.baud == baud) return &s;
  return nullptr;
}

bool sizeFlag(uint8_t byteSize, tcflag_t& out) {
  switch (byteSize) {
    case 5: out = CS5; return true;
    case 6: out = CS6; return true;
    case 7: out = CS7; return true;
    case 8: out = CS8; return true;
    default: return false;
  }
}

bool parityFlags(uint8_t parity, tcflag_t& out) {
  static constexpr std::array<tcflag_t, 5> kFlags{
      0, PARENB | PARODD, PARENB, PARENB | PARODD | CMSPAR, PARENB | CMSPAR};
  if (parity >= kFlags.size()) return false;
  out = kFlags[parity];
  return true;
}

uint8_t parityCode(tcflag_t cflag) {
  if (!(cflag & PARENB)) return 0;
  bool odd = cflag & PARODD;
  if (cflag & CMSPAR) return odd ? 3 : 4;
  return odd ? 1 : 2;
}

uint8_t byteSizeOf(tcflag_t cflag) {
  switch (cflag & CSIZE) {
    case CS5: return 5;
    case CS6: return 6;
    case CS7: return 7;
    default: return 8;
  }
}

uint32_t controlField(uint32_t flags, unsigned shift) { return (flags >> shift) & 3u; }

}  // namespace

struct SerialPort::Impl {
  int fd = -1;
  int wakeFd = -1;
  int epollFd = -1;
  std::atomic<uint32_t> mask{0};
  std::atomic<bool> inputTaken{false};  // a read or purge emptied some of the input queue
  LineSettings settings;
  Timeouts timeouts;
  PortError error;

  // Monitor-thread state: what the last wait saw.
  bool rxArrived = false;  // an input edge not yet examined
  uint32_t lastInQueue = 0;
  int lastModem = -1;
  bool modemUnsupported = false;
  uint32_t lastOutQueue = 0;
  bool hungUp = false;
  bool hangUpReported = false;

  bool fail(int code) {
    error = {kindOf(code), code, std::strerror(code)};
    return false;
  }

  // A short transfer is the caller's to judge; the reason is kept for when it does.
  bool ranOutOfTime() {
    fail(ETIMEDOUT);
    return true;
  }

  void closeHandles() {
    for (int* h : {&epollFd, &wakeFd}) {
      if (*h >= 0) ::close(*h);
      *h = -1;
    }
  }

  bool createWaitSet() {
    wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    epollFd = epoll_create1(EPOLL_CLOEXEC);
    if (wakeFd < 0 || epollFd < 0) return false;
    epoll_event port{};
    port.events = EPOLLIN | EPOLLET;
    port.data.fd = fd;
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.fd = wakeFd;
    return epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &port) == 0 &&
           epoll_ctl(epollFd, EPOLL_CTL_ADD, wakeFd, &wake) == 0;
  }

  // Bytes queued before the open make the port ready at once; as with the Win32 event mask,
  // only arrivals from now on are events.
  void forgetEarlierArrivals() const {
    std::array<epoll_event, 2> ready{};
    epoll_wait(epollFd, ready.data(), ready.size(), 0);
  }

  void signalWake() const {
    uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wakeFd, &one, sizeof one);
  }

  bool drainWake() const {
    uint64_t count = 0;
    return ::read(wakeFd, &count, sizeof count) == sizeof count;
  }

  // A pause that a mask change (as Close makes) cuts short; true when it did.
  bool pauseUnlessWoken(int ms) const {
    pollfd p{wakeFd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0 && drainWake();
  }

  bool setModemLine(int line, bool on) {
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0) return true;
    return refusedByPty(errno) || fail(errno);
  }

  bool applyModemControl(uint32_t flags) {
    bool dtrOn = controlField(flags, kDtrShift) != kControlDisable;
    uint32_t rts = controlField(flags, kRtsShift);
    bool rtsOn = rts == 1 || rts == kControlHandshake;
    return setModemLine(TIOCM_DTR, dtrOn) && setModemLine(TIOCM_RTS, rtsOn);
  }

  bool buildTermios(const LineSettings& s, termios& t) {
    tcflag_t size = 0;
    tcflag_t parity = 0;
    if (!sizeFlag(s.byteSize, size) || !parityFlags(s.parity, parity) || s.stopBits > 2)
      return fail(EINVAL);
    cfmakeraw(&t);
    t.c_iflag &= ~(IXOFF | IXANY | INPCK);  // cfmakeraw leaves these as they were
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD | size | parity;
    // Termios has no 1.5 stop bits; it means 1.5 only for 5-bit characters, as CSTOPB does.
    if (s.stopBits != 0) t.c_cflag |= CSTOPB;
    bool ctsFlow = (s.flags & kFlagOutxCts) || controlField(s.flags, kRtsShift) == kControlHandshake;
    if (ctsFlow) t.c_cflag |= CRTSCTS;
    if (s.flags & kFlagParityCheck) t.c_iflag |= INPCK;
    if (s.flags & kFlagOutX) t.c_iflag |= IXON;
    if (s.flags & kFlagInX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return true;
  }

  uint32_t sampleEvents(uint32_t wanted) {
    uint32_t events = 0;
    if ((wanted & kEvRxChar) && bytesArrived()) events |= kEvRxChar;
    if (wanted & kModemEvents) events |= sampleModem() & wanted;
    if (wanted & kEvTxEmpty) events |= sampleOutQueue();
    return events;
  }

  // Every arrival is an input edge, but the kernel may hand one write over in parts, giving
  // edges for bytes already reported. So an edge counts when the queue grew, or when a read
  // or purge took bytes since the last look, which hides the growth.
  bool bytesArrived() {
    if (!std::exchange(rxArrived, false)) return false;
    bool taken = inputTaken.exchange(false);
    int queued = 0;
    if (ioctl(fd, FIONREAD, &queued) != 0) {
      hungUp = true;
      return false;
    }
    auto now = static_cast<uint32_t>(queued);
    bool grew = now > lastInQueue;
    lastInQueue = now;
    return grew || taken;
  }

  uint32_t sampleModem() {
    int lines = 0;
    if (modemUnsupported) return 0;
    if (ioctl(fd, TIOCMGET, &lines) != 0) {
      modemUnsupported = true;
      return 0;
    }
    int changed = lastModem < 0 ? 0 : (lines ^ lastModem);
    lastModem = lines;
    uint32_t events = 0;
    if (changed & TIOCM_CTS) events |= kEvCts;
    if (changed & TIOCM_DSR) events |= kEvDsr;
    if (changed & TIOCM_CD) events |= kEvRlsd;
    if (changed & TIOCM_RNG) events |= kEvRing;
    return events;
  }

  uint32_t sampleOutQueue() {
    int pending = 0;
    if (ioctl(fd, TIOCOUTQ, &pending) != 0) return 0;
    bool emptied = lastOutQueue > 0 && pending == 0;
    lastOutQueue = static_cast<uint32_t>(pending);
    return emptied ? uint32_t{kEvTxEmpty} : 0u;
  }

  int sampleIntervalMs(uint32_t wanted) const {
    bool modem = (wanted & kModemEvents) && !modemUnsupported;
    return modem || (wanted & kEvTxEmpty) ? kModemSampleMs : -1;
  }

  enum class Readiness { Failed, Ready, TimedOut, HungUp };

  Readiness awaitFd(short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, timeoutMs);
    if (r < 0 && errno == EINTR) return Readiness::Ready;
    if (r < 0) {
      fail(errno);
      return Readiness::Failed;
    }
    if (r == 0) return Readiness::TimedOut;
    if ((p.revents & (POLLHUP | POLLERR)) && !(p.revents & events)) return Readiness::HungUp;
    return Readiness::Ready;
  }

  template <typename Transfer>
  bool transfer(Transfer move, short readiness, uint32_t waitMs, uint32_t totalMs,
                uint32_t intervalMs, std::size_t count, std::size_t& transferred) {
    using Clock = TransferTimer::Clock;
    TransferTimer timer(waitMs, totalMs, intervalMs, Clock::now());
    transferred = 0;
    while (transferred < count) {
      ssize_t n = move(transferred);
      if (n > 0) {
        transferred += static_cast<std::size_t>(n);
        timer.bytesArrived(Clock::now());
        continue;
      }
      if (n == 0) return fail(EIO);  // end of file: the far side has gone
      if (errno == EINTR) continue;
      if (errno != EAGAIN) return fail(errno);
      int wait = timer.waitMs(Clock::now());
      if (wait == 0) return ranOutOfTime();
      switch (awaitFd(readiness, wait)) {
        case Readiness::Failed: return false;
        case Readiness::HungUp: return fail(EIO);
        case Readiness::TimedOut:
        case Readiness::Ready: break;
      }
    }
    return true;
  }
};

SerialPort::SerialPort() : impl_(std::make_unique<Impl>()) {}
SerialPort::~SerialPort() { close(); }

bool SerialPort::open(const std::string& device) {
  Impl& d = *impl_;
  if (d.fd >= 0) return d.fail(EBUSY);
  d.fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (d.fd < 0) return d.fail(errno);
  // A plain file or /dev/null would open and then fail somewhere less telling.
  int code = isatty(d.fd) ? 0 : ENOTTY;
  // flock also refuses a second opener running as root, which TIOCEXCL lets through.
  if (code == 0 && flock(d.fd, LOCK_EX | LOCK_NB) != 0) code = errno == EWOULDBLOCK ? EBUSY : errno;
  if (code == 0 && ioctl(d.fd, TIOCEXCL) != 0 && !refusedByPty(errno)) code = errno;
  if (code == 0 && !d.createWaitSet()) code = errno;
  if (code != 0) {
    d.closeHandles();
    ::close(std::exchange(d.fd, -1));
    return d.fail(code);
  }
  d.forgetEarlierArrivals();
  d.mask.store(0);
  d.inputTaken.store(false);
  d.rxArrived = false;
  d.lastInQueue = 0;
  d.lastModem = -1;
  d.modemUnsupported = false;
  d.lastOutQueue = 0;
  d.hungUp = false;
  d.hangUpReported = false;
  return true;
}

bool SerialPort::close() {
  Impl& d = *impl_;
  if (d.fd < 0) return false;
  ioctl(d.fd, TIOCNXCL);  // a pty slave kept open elsewhere would stay exclusive
  d.closeHandles();
  bool ok = ::close(std::exchange(d.fd, -1)) == 0;
  return ok || d.fail(errno);
}

bool SerialPort::isOpen() const { return impl_->fd >= 0; }

// Linux tty queues have a fixed size; accepting the request keeps the component portable.
bool SerialPort::setQueueSizes(uint32_t, uint32_t) { return isOpen() || impl_->fail(EBADF); }

bool SerialPort::getLineSettings(LineSettings& out) {
  Impl& d = *impl_;
  termios t{};
  if (tcgetattr(d.fd, &t) != 0) return d.fail(errno);
  out = d.settings;
  if (!detail::getBaud(d.fd, out.baudRate)) out.baudRate = 0;
  out.byteSize = byteSizeOf(t.c_cflag);
  out.parity = parityCode(t.c_cflag);
  out.stopBits = (t.c_cflag & CSTOPB) ? 2 : 0;
  out.xonChar = static_cast<char>(t.c_cc[VSTART]);
  out.xoffChar = static_cast<char>(t.c_cc[VSTOP]);
  return true;
}

bool SerialPort::setLineSettings(const LineSettings& s) {
  Impl& d = *impl_;
  termios t{};
  if (tcgetattr(d.fd, &t) != 0) return d.fail(errno);
  if (!d.buildTermios(s, t)) return false;
  const SpeedCode* standard = standardSpeed(s.baudRate);
  if (standard) {
    // An input speed that termios2 left in CIBAUD would outlive this call; with CIBAUD
    // clear the input follows the output.
    t.c_cflag &= ~CIBAUD;
    cfsetspeed(&t, standard->code);
  }
  if (tcsetattr(d.fd, TCSANOW, &t) != 0) return d.fail(errno);
  if (!standard && !detail::setAnyBaud(d.fd, s.baudRate)) return d.fail(errno);
  if (!d.applyModemControl(s.flags)) return false;
  d.settings = s;
  return true;
}

bool SerialPort::getTimeouts(Timeouts& out) {
  out = impl_->timeouts;
  return isOpen();
}

bool SerialPort::setTimeouts(const Timeouts& timeouts) {
  impl_->timeouts = timeouts;
  return isOpen();
}

bool SerialPort::setEventMask(uint32_t mask) {
  Impl& d = *impl_;
  if (d.fd < 0) return false;
  d.mask.store(mask);
  d.signalWake();
  return true;
}

bool SerialPort::waitEvent(uint32_t& reported) {
  Impl& d = *impl_;
  reported = 0;
  for (;;) {
    uint32_t wanted = d.mask.load();
    if (uint32_t events = d.sampleEvents(wanted)) {
      reported = events;
      return true;
    }
    // A dead line stays ready for ever: say so once, then back off instead of spinning.
    if (d.hungUp) {
      if (std::exchange(d.hangUpReported, true)) return d.pauseUnlessWoken(kHangUpPauseMs);
      reported = kEvHangUp;
      return true;
    }
    std::array<epoll_event, 2> ready{};
    int n = epoll_wait(d.epollFd, ready.data(), ready.size(), d.sampleIntervalMs(wanted));
    if (n < 0 && errno != EINTR) return d.pauseUnlessWoken(kHangUpPauseMs);
    bool woken = false;
    for (int i = 0; i < n; ++i) {
      if (ready[i].data.fd == d.wakeFd) {
        woken = d.drainWake() || woken;
        continue;
      }
      if (ready[i].events & EPOLLIN) d.rxArrived = true;
      if (ready[i].events & (EPOLLHUP | EPOLLERR)) d.hungUp = true;
    }
    if (woken) return true;
  }
}

bool SerialPort::status(PortStatus& out) {
  Impl& d = *impl_;
  int in = 0;
  int pending = 0;
  if (ioctl(d.fd, FIONREAD, &in) != 0) return false;
  if (ioctl(d.fd, TIOCOUTQ, &pending) != 0) pending = 0;
  out.inQueue = static_cast<uint32_t>(in);
  out.outQueue = static_cast<uint32_t>(pending);
  return true;
}

// Transfers here are synchronous, so an abort has no transfer to end. A transmit abort still
// discards the unsent output: output held up by flow control would otherwise keep the close
// that follows waiting in the kernel's drain.
bool SerialPort::purge(unsigned flags) {
  Impl& d = *impl_;
  bool tx = flags & (kPurgeTxAbort | kPurgeTxClear);
  bool rx = flags & kPurgeRxClear;
  if (!tx && !rx) return isOpen();
  int which = tx && rx ? TCIOFLUSH : (tx ? TCOFLUSH : TCIFLUSH);
  if (tcflush(d.fd, which) != 0) return d.fail(errno);
  if (rx) d.inputTaken.store(true);
  return true;
}

bool SerialPort::read(void* buffer, std::size_t count, std::size_t& transferred,
                      uint32_t waitMs) {
  Impl& d = *impl_;
  auto* bytes = static_cast<unsigned char*>(buffer);
  auto total = d.timeouts.readTotalConstant + d.timeouts.readTotalMultiplier * count;
  bool ok = d.transfer([&](std::size_t done) { return ::read(d.fd, bytes + done, count - done); },
                       POLLIN, waitMs, static_cast<uint32_t>(total), d.timeouts.readInterval,
                       count, transferred);
  if (transferred > 0) d.inputTaken.store(true);
  return ok;
}

bool SerialPort::write(const void* buffer, std::size_t count, std::size_t& transferred,
                       uint32_t waitMs) {
  Impl& d = *impl_;
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  auto total = d.timeouts.writeTotalConstant + d.timeouts.writeTotalMultiplier * count;
  return d.transfer([&](std::size_t done) { return ::write(d.fd, bytes + done, count - done); },
                    POLLOUT, waitMs, static_cast<uint32_t>(total), 0, count, transferred);
}

const PortError& SerialPort::lastError() const { return impl_->error; }

}  // namespace brisvel::serial
