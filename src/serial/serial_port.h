#pragma once
// Neutral serial-port operations under Trs232c. Each platform implements them in its own
// serial_port_<platform>.cpp, chosen by CMake; the component never sees platform types.
//
// Threads: every call except waitEvent() and status() comes from the owner's thread. The
// monitor thread calls waitEvent() and status(); setEventMask() from the owner wakes a
// pending waitEvent(). The owner joins the monitor before close().

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace brisvel::serial {

// Codes as the Win32 device-control block uses them.
struct LineSettings {
  uint32_t baudRate = 9600;
  uint8_t byteSize = 8;
  uint8_t parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
  uint8_t stopBits = 0;  // 0 one, 1 one and a half, 2 two
  uint32_t flags = 0;    // the line-control flag word, see rsflowset
  uint16_t xonLim = 0;
  uint16_t xoffLim = 0;
  char xonChar = 17;
  char xoffChar = 19;
  char errorChar = 0;
  char eofChar = 0;
  char evtChar = 0;
};

// The time-out record installed on the line, in milliseconds, with the Win32 meaning: a zero
// total or interval is not used, so all zero set no limit of their own. Each read() and write()
// still waits no longer than its caller allows.
struct Timeouts {
  uint32_t readInterval = 0;
  uint32_t readTotalMultiplier = 0;
  uint32_t readTotalConstant = 0;
  uint32_t writeTotalMultiplier = 0;
  uint32_t writeTotalConstant = 0;
};

enum PurgeFlag : unsigned {
  kPurgeTxAbort = 0x1,
  kPurgeRxAbort = 0x2,
  kPurgeTxClear = 0x4,
  kPurgeRxClear = 0x8,
};

// Event mask bits, as the Win32 event wait reports them.
enum CommEvent : uint32_t {
  kEvRxChar = 0x01,
  kEvRxFlag = 0x02,
  kEvTxEmpty = 0x04,
  kEvCts = 0x08,
  kEvDsr = 0x10,
  kEvRlsd = 0x20,
  kEvBreak = 0x40,
  kEvErr = 0x80,
  kEvRing = 0x100,
};

// Not a Win32 event bit: waitEvent() reports it once, whatever the mask, when the line hangs
// up because the device went away (a USB adapter unplugged, the far side of a pty closed).
// Later waits on the dead line back off as on any failed line.
inline constexpr uint32_t kEvHangUp = 0x80000000u;

struct PortStatus {
  uint32_t inQueue = 0;
  uint32_t outQueue = 0;
};

enum class PortErrorKind { None, NotFound, Busy, Permission, NotSupported, Timeout, HungUp, Other };

// The reason for the last failure, kept for a debug message, a log line or the explanation
// under an error the user sees.
struct PortError {
  PortErrorKind kind = PortErrorKind::None;
  int systemCode = 0;
  std::string systemText;
};

class SerialPort {
 public:
  SerialPort();
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Exclusive: a second open of the same device fails with Busy until this one closes. A
  // device that is no terminal (a plain file, /dev/null) or a folder fails with NotSupported.
  bool open(const std::string& device);
  bool close();
  bool isOpen() const;

  bool setQueueSizes(uint32_t rxBytes, uint32_t txBytes);
  bool getLineSettings(LineSettings& out);
  bool setLineSettings(const LineSettings& settings);
  bool getTimeouts(Timeouts& out);
  bool setTimeouts(const Timeouts& timeouts);

  // Changing the mask (to anything, including empty) releases a pending waitEvent().
  bool setEventMask(uint32_t mask);
  // Blocks until an event in the mask occurs (reported != 0) or the mask changes
  // (returns true, reported == 0). Returns false on a failed line, after a pause; the first
  // wait that finds the line hung up reports kEvHangUp instead.
  bool waitEvent(uint32_t& reported);
  bool status(PortStatus& out);
  bool purge(unsigned flags);

  // Move up to count bytes; transferred says how many. The installed time-outs may end the
  // transfer early; the call waits at most waitMs for it (0: only what moves at once).
  // Returns false on a line failure; running out of time is not a failure here, though
  // lastError() then says Timeout, so a caller that counts the short transfer as failed
  // can tell it from a dead line.
  bool read(void* buffer, std::size_t count, std::size_t& transferred, uint32_t waitMs);
  bool write(const void* buffer, std::size_t count, std::size_t& transferred, uint32_t waitMs);

  const PortError& lastError() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace brisvel::serial
