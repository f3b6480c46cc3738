#pragma once
// A real pseudo-terminal as the far end of a serial line. A Linux test opens one itself; a
// Windows test under wine cannot, so it asks the line server (tests/wine), the Linux
// process that started it, for one mapped to a COM port, and drives the far end through it.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brisvel::serial::testing {

using Bytes = std::vector<unsigned char>;

// The tty as the line sees it. A pty forces CS8 and clears PARENB on every change, so
// only the parity kind, the stop bits, the speed and the flow settings can be read back.
struct TtyState {
  uint32_t inputBaud = 0;
  uint32_t outputBaud = 0;
  bool parityOdd = false;    // odd or mark
  bool parityStick = false;  // mark or space
  bool twoStopBits = false;
  bool raw = false;    // no line editing, no echo
  bool local = false;  // modem control lines ignored
  bool xonOutput = false;
  bool xonInput = false;
  bool ctsFlow = false;
  unsigned char startChar = 0;
  unsigned char stopChar = 0;
};

// The system's null device: a device that opens, but no serial line.
std::string NullDevice();

// The test keeps the slave open so the line survives the component closing it.
class Pty {
 public:
  Pty();
  ~Pty();
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  std::string path;  // what the component opens; empty when no pty could be had

  void send(const Bytes& bytes) const;
  void send(std::size_t count, unsigned char value = 0x55) const {
    send(Bytes(count, value));
  }
  // What the component wrote, up to count bytes, waiting at most limit for them.
  Bytes receive(std::size_t count, std::chrono::milliseconds limit) const;
  // Waits (up to 2 s) until the component's side holds exactly `bytes` unread.
  bool waitForInput(std::size_t bytes) const;
  // Takes what the component wrote until the line stays quiet for a moment; how many bytes.
  std::size_t drain() const;
  void closeMaster();  // the far side hangs up
  TtyState tty() const;
  // What the driver holds before the component opens the port.
  void presetTty(bool twoStopBits, unsigned char startChar);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace brisvel::serial::testing
