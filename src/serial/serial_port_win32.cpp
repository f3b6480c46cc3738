// Windows serial port: the Win32 communications calls, one for one. Transfers and the event
// wait are overlapped, each with its own manual-reset event, so the monitor thread's wait
// and the owner's reads and writes never share an OVERLAPPED.

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "serial/serial_port.h"

namespace brisvel::serial {

namespace {

constexpr DWORD kFailedWaitPauseMs = 100;

PortErrorKind kindOf(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME:
    case ERROR_DEV_NOT_EXIST: case ERROR_BAD_UNIT:
      return PortErrorKind::NotFound;
    case ERROR_SHARING_VIOLATION: case ERROR_BUSY:
      return PortErrorKind::Busy;
    case ERROR_ACCESS_DENIED: case ERROR_PRIVILEGE_NOT_HELD:
      return PortErrorKind::Permission;
    case ERROR_INVALID_FUNCTION: case ERROR_NOT_SUPPORTED: case ERROR_INVALID_PARAMETER:
      return PortErrorKind::NotSupported;
    case ERROR_TIMEOUT: case ERROR_SEM_TIMEOUT: case WAIT_TIMEOUT:
      return PortErrorKind::Timeout;
    case ERROR_BAD_COMMAND: case ERROR_GEN_FAILURE: case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return PortErrorKind::HungUp;
    default:
      return PortErrorKind::Other;
  }
}

// On a port that opened, a device that went away (a USB adapter unplugged) fails whatever is
// asked of it, with codes that mean something else at the open. Drivers differ in the code;
// wine gives ERROR_NOT_READY, and ERROR_BROKEN_PIPE to a read, once the far side of its pty
// has closed.
bool meansDeviceGone(DWORD code) {
  switch (code) {
    case ERROR_ACCESS_DENIED: case ERROR_NOT_READY: case ERROR_BROKEN_PIPE: case ERROR_OPERATION_ABORTED:
      return true;
    default:
      return kindOf(code) == PortErrorKind::HungUp;
  }
}

// COM1, \\.\COM10: the names Windows gives serial ports.
bool isComPortName(std::string name) {
  if (name.starts_with("\\\\.\\")) name.erase(0, 4);
  return name.size() > 3 && _strnicmp(name.c_str(), "COM", 3) == 0 &&
         name.find_first_not_of("0123456789", 3) == std::string::npos;
}

// Windows refuses a second opener of a serial port with access denied, and a folder, which
// CreateFile opens only with backup semantics, the same way.
PortErrorKind openRefusalKind(DWORD code, const std::string& device) {
  if (code != ERROR_ACCESS_DENIED) return kindOf(code);
  if (isComPortName(device)) return PortErrorKind::Busy;
  DWORD attributes = GetFileAttributesA(device.c_str());
  bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  return folder ? PortErrorKind::NotSupported : PortErrorKind::Permission;
}

std::string systemText(DWORD code) {
  wchar_t* wide = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&wide), 0, nullptr);
  while (length > 0 && (wide[length - 1] == L'\r' || wide[length - 1] == L'\n')) --length;
  std::string text;
  if (length > 0) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), text.data(), bytes, nullptr, nullptr);
  }
  LocalFree(wide);
  return text;
}

// The DCB's bit fields share one DWORD after BaudRate; the component's flag word is that
// DWORD, passed as is.
static_assert(offsetof(DCB, wReserved) == offsetof(DCB, BaudRate) + 2 * sizeof(DWORD));
void* flagWordOf(DCB& dcb) { return reinterpret_cast<char*>(&dcb.BaudRate) + sizeof dcb.BaudRate; }

// One overlapped operation at a time, with its own manual-reset event.
struct Overlapped {
  OVERLAPPED ov{};
  HANDLE event = nullptr;

  bool create() {
    event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event != nullptr;
  }
  void release() {
    if (event) CloseHandle(event);
    event = nullptr;
  }
  OVERLAPPED* start() {
    ResetEvent(event);
    ov = OVERLAPPED{};
    ov.hEvent = event;
    return &ov;
  }
};

}  // namespace

struct SerialPort::Impl {
  HANDLE port = INVALID_HANDLE_VALUE;
  Overlapped reading;
  Overlapped writing;
  Overlapped waiting;
  HANDLE maskChanged = nullptr;  // auto-reset: each mask change wakes the monitor once
  std::atomic<uint32_t> mask{0};
  PortError error;
  bool hangUpReported = false;  // monitor thread

  bool failAs(PortErrorKind kind, DWORD code) {
    error = {kind, static_cast<int>(code), systemText(code)};
    return false;
  }
  // Every failure but the open's is one of a port that opened.
  bool fail(DWORD code) { return failAs(meansDeviceGone(code) ? PortErrorKind::HungUp : kindOf(code), code); }
  bool failLast() { return fail(GetLastError()); }

  // A short transfer is the caller's to judge; the reason is kept for when it does.
  bool ranOutOfTime() {
    failAs(PortErrorKind::Timeout, ERROR_TIMEOUT);
    return true;
  }

  bool createEvents() {
    maskChanged = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return maskChanged && reading.create() && writing.create() && waiting.create();
  }
  void releaseEvents() {
    for (Overlapped* o : {&reading, &writing, &waiting}) o->release();
    if (maskChanged) CloseHandle(maskChanged);
    maskChanged = nullptr;
  }

  // A plain file, or a device such as NUL, opens as well and would fail later, somewhere
  // less telling. The code says why; zero when the handle is a serial port.
  DWORD notSerialReason() const {
    if (GetFileType(port) != FILE_TYPE_CHAR) return ERROR_NOT_SUPPORTED;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    return GetCommState(port, &dcb) ? 0 : GetLastError();
  }

  bool queryStatus(COMSTAT& stat) const {
    DWORD errors = 0;
    return ClearCommError(port, &errors, &stat) != 0;
  }

  // A failed line fails every wait at once: pause instead of spinning, but let a mask
  // change (as Close makes) cut the pause short, reporting it as the wait's release. The
  // monitor thread comes here, so the reason is not kept: `error` belongs to the owner.
  bool failedWait() const { return WaitForSingleObject(maskChanged, kFailedWaitPauseMs) == WAIT_OBJECT_0; }

  // A wait that failed: released by the owner (wine fails it with ERROR_OPERATION_ABORTED
  // where Windows completes it with an empty mask), or on a line that fails every wait. A
  // device that went away fails the status query too; that is said once, as a hang-up.
  bool waitFailed(uint32_t& reported) {
    if (WaitForSingleObject(maskChanged, 0) == WAIT_OBJECT_0) return true;
    COMSTAT stat{};
    if (queryStatus(stat) || std::exchange(hangUpReported, true)) return failedWait();
    reported = kEvHangUp;
    return true;
  }

  // Waits at most waitMs for the transfer, then cancels it if it is still going: the
  // caller's buffer and this OVERLAPPED must not be written after the call returns, and
  // the driver's own time-out, which ends it otherwise, may be later or none at all.
  template <typename Start>
  bool transfer(Overlapped& io, Start start, std::size_t count, DWORD waitMs, std::size_t& transferred) {
    transferred = 0;
    OVERLAPPED* ov = io.start();
    DWORD moved = 0;
    if (start(ov, moved)) {
      transferred = moved;
      return transferred == count || ranOutOfTime();
    }
    if (GetLastError() != ERROR_IO_PENDING) return failLast();
    bool cancelled = false;
    if (WaitForSingleObject(io.event, waitMs) != WAIT_OBJECT_0) cancelled = CancelIoEx(port, ov) != 0;
    BOOL done = GetOverlappedResult(port, ov, &moved, TRUE);
    transferred = moved;
    if (done) return transferred == count || ranOutOfTime();
    DWORD code = GetLastError();
    if (code == ERROR_OPERATION_ABORTED && cancelled) return ranOutOfTime();
    // Wine fails a read that timed out with nothing received; Windows reports 0 bytes.
    if (code == ERROR_TIMEOUT) return ranOutOfTime();
    return fail(code);
  }
};

SerialPort::SerialPort() : impl_(std::make_unique<Impl>()) {}
SerialPort::~SerialPort() { close(); }

// The name goes to CreateFile as it is: COM1 to COM9 open bare, higher numbers and other
// device names need the caller's "\\.\" in front.
bool SerialPort::open(const std::string& device) {
  Impl& d = *impl_;
  if (d.port != INVALID_HANDLE_VALUE) return d.fail(ERROR_BUSY);
  d.port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OVERLAPPED, nullptr);
  if (d.port == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    return d.failAs(openRefusalKind(code, device), code);
  }
  PortErrorKind kind = PortErrorKind::NotSupported;
  DWORD code = d.notSerialReason();
  if (code == 0 && !d.createEvents()) {
    code = GetLastError();
    kind = kindOf(code);
  }
  if (code != 0) {
    d.releaseEvents();
    CloseHandle(std::exchange(d.port, INVALID_HANDLE_VALUE));
    return d.failAs(kind, code);
  }
  d.mask.store(0);
  d.hangUpReported = false;
  return true;
}

bool SerialPort::close() {
  Impl& d = *impl_;
  if (d.port == INVALID_HANDLE_VALUE) return false;
  d.releaseEvents();
  bool ok = CloseHandle(std::exchange(d.port, INVALID_HANDLE_VALUE)) != 0;
  return ok || d.failLast();
}

bool SerialPort::isOpen() const { return impl_->port != INVALID_HANDLE_VALUE; }

bool SerialPort::setQueueSizes(uint32_t rxBytes, uint32_t txBytes) {
  return SetupComm(impl_->port, rxBytes, txBytes) || impl_->failLast();
}

bool SerialPort::getLineSettings(LineSettings& out) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(impl_->port, &dcb)) return impl_->failLast();
  out.baudRate = dcb.BaudRate;
  std::memcpy(&out.flags, flagWordOf(dcb), sizeof out.flags);
  out.xonLim = dcb.XonLim;
  out.xoffLim = dcb.XoffLim;
  out.byteSize = dcb.ByteSize;
  out.parity = dcb.Parity;
  out.stopBits = dcb.StopBits;
  out.xonChar = dcb.XonChar;
  out.xoffChar = dcb.XoffChar;
  out.errorChar = dcb.ErrorChar;
  out.eofChar = dcb.EofChar;
  out.evtChar = dcb.EvtChar;
  return true;
}

bool SerialPort::setLineSettings(const LineSettings& s) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(impl_->port, &dcb)) return impl_->failLast();
  dcb.BaudRate = s.baudRate;
  std::memcpy(flagWordOf(dcb), &s.flags, sizeof s.flags);
  dcb.XonLim = s.xonLim;
  dcb.XoffLim = s.xoffLim;
  dcb.ByteSize = s.byteSize;
  dcb.Parity = s.parity;
  dcb.StopBits = s.stopBits;
  dcb.XonChar = s.xonChar;
  dcb.XoffChar = s.xoffChar;
  dcb.ErrorChar = s.errorChar;
  dcb.EofChar = s.eofChar;
  dcb.EvtChar = s.evtChar;
  return SetCommState(impl_->port, &dcb) || impl_->failLast();
}

bool SerialPort::getTimeouts(Timeouts& out) {
  COMMTIMEOUTS t{};
  if (!GetCommTimeouts(impl_->port, &t)) return impl_->failLast();
  out = {t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
         t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant};
  return true;
}

bool SerialPort::setTimeouts(const Timeouts& timeouts) {
  COMMTIMEOUTS t{timeouts.readInterval, timeouts.readTotalMultiplier, timeouts.readTotalConstant,
                 timeouts.writeTotalMultiplier, timeouts.writeTotalConstant};
  return SetCommTimeouts(impl_->port, &t) || impl_->failLast();
}

bool SerialPort::setEventMask(uint32_t mask) {
  Impl& d = *impl_;
  if (d.port == INVALID_HANDLE_VALUE) return false;
  d.mask.store(mask);
  bool ok = SetCommMask(d.port, mask) != 0;
  SetEvent(d.maskChanged);
  return ok || d.failLast();
}

// SetCommMask releases a pending WaitCommEvent. The mask-changed event covers a wait that
// starts just after the owner's SetCommMask: re-installing the current mask releases that
// one too, so Close never waits for a wait nobody will end.
bool SerialPort::waitEvent(uint32_t& reported) {
  Impl& d = *impl_;
  reported = 0;
  DWORD events = 0;
  OVERLAPPED* ov = d.waiting.start();
  if (!WaitCommEvent(d.port, &events, ov)) {
    if (GetLastError() != ERROR_IO_PENDING) return d.waitFailed(reported);
    HANDLE both[2] = {d.waiting.event, d.maskChanged};
    bool released = WaitForMultipleObjects(2, both, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
    if (released) SetCommMask(d.port, d.mask.load());
    DWORD unused = 0;
    if (!GetOverlappedResult(d.port, ov, &unused, TRUE)) return released || d.waitFailed(reported);
  }
  reported = events;
  return true;
}

// The monitor thread's call: a failure is not kept, as for waitEvent.
bool SerialPort::status(PortStatus& out) {
  COMSTAT stat{};
  if (!impl_->queryStatus(stat)) return false;
  out.inQueue = stat.cbInQue;
  out.outQueue = stat.cbOutQue;
  return true;
}

bool SerialPort::purge(unsigned flags) { return PurgeComm(impl_->port, flags) || impl_->failLast(); }

bool SerialPort::read(void* buffer, std::size_t count, std::size_t& transferred, uint32_t waitMs) {
  Impl& d = *impl_;
  auto start = [&](OVERLAPPED* ov, DWORD& moved) {
    return ReadFile(d.port, buffer, static_cast<DWORD>(count), &moved, ov) != 0;
  };
  return d.transfer(d.reading, start, count, waitMs, transferred);
}

bool SerialPort::write(const void* buffer, std::size_t count, std::size_t& transferred, uint32_t waitMs) {
  Impl& d = *impl_;
  auto start = [&](OVERLAPPED* ov, DWORD& moved) {
    return WriteFile(d.port, buffer, static_cast<DWORD>(count), &moved, ov) != 0;
  };
  return d.transfer(d.writing, start, count, waitMs, transferred);
}

const PortError& SerialPort::lastError() const { return impl_->error; }

}  // namespace brisvel::serial
