#pragma once
// Trs232c: a serial port configured by named properties, with timed transfers and line
// events delivered as handler calls on the owner's thread.
//
// Threads: construct, configure, Open, Read/Write and Close on one thread (the UI thread);
// handlers run there too, delivered by the NotificationWindow. While open, a monitor thread
// (only when a line-event handler was assigned) waits on the port and calls
// DispatchCommEvents, which reads the handler assignments and packetsize and writes only the
// received-byte count. No lock is needed: handlers and packetsize must not change while
// open, the count is atomic, and Close joins the monitor before releasing the port.
//
// OnHANGUP is no line event: it adds nothing to the event mask and starts no monitor by
// itself. A monitor that runs for the other handlers calls it once when the line hangs up
// (the device went away), so a caller waiting for a packet (OnPACKET) learns that none
// will come.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "serial/comthd.h"
#include "serial/notification_window.h"
#include "serial/rsflowset.h"
#include "serial/serial_port.h"
#include "serial/thread_error.h"

namespace brisvel::serial {

class Trs232c {
 public:
  using Notify = std::function<void(Trs232c& sender)>;

  explicit Trs232c(std::unique_ptr<NotificationWindow> window);
  ~Trs232c();  // closes first; notifications still queued are dropped
  Trs232c(const Trs232c&) = delete;
  Trs232c& operator=(const Trs232c&) = delete;

  int32_t charbit = 8;
  std::string stopbit = "1";  // "1", "1.5" or "2"
  int32_t bps = 9600;
  std::string portname = "COM1";  // device path, passed unchanged
  int32_t rxbuffsize = 1024;
  int32_t txbuffsize = 1024;
  int32_t readinterval = 0;  // ms between bytes, 0 = not used
  int32_t txtimeout = 30000;
  int32_t rxtimeout = 30000;
  std::string paritymode = "無し";  // UTF-8 word
  uint32_t flowflag = 1;
  int32_t packetsize = 0;  // 0 disables OnPACKET
  bool debug = false;      // report Open failures through NotificationWindow::showMessage
  int32_t XonLim = 0;      // low 16 bits; 0 leaves the driver's value, as do the chars below
  int32_t XoffLim = 0;
  char XonChar = 17;
  char XoffChar = 19;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;

  Notify OnBREAK, OnCTS, OnDSR, OnERR, OnRING, OnRLSD, OnRXCHAR, OnRXFLAG, OnTXEMPTY;
  Notify OnPACKET;
  Notify OnHANGUP;
  Notify OnCreate, OnOpen, OnClose;

  rsflowset flow() const;
  void set_flow(rsflowset flags);

  bool Open();   // throws ThreadError when the monitor thread cannot be created
  // Throws ThreadError when the monitor thread cannot be awaited, and rethrows what OnClose
  // raised once the port is released.
  bool Close();
  // Succeed only when all count bytes moved within rxtimeout / txtimeout milliseconds; with
  // 0 nothing is waited for, so only what can move at once counts.
  bool Read(void* buffer, int count);
  bool Write(const void* buffer, int count);
  bool ReadByte(uint8_t& out);
  bool WriteByte(uint8_t value);

  bool IsOpen() const { return open_; }
  uint32_t EventMask() const { return eventMask_; }
  bool MonitorUsed() const { return monitor_ != nullptr; }
  int32_t ReceivedCount() const { return received_.load(); }
  const PortError& LastError() const { return port_.lastError(); }

  // Fault seam: how Open starts the monitor thread.
  void SetThreadStarter(ThreadStarter starter) { threadStarter_ = std::move(starter); }

 private:
  friend class tcommthread;
  friend class Trs232cTestPeer;  // drives DispatchCommEvents with masks of its choosing

  // Monitor thread only.
  void DispatchCommEvents(uint32_t reported);

  bool failOpen(const char* message, bool releasePort);
  LineSettings requestedSettings(LineSettings current) const;
  Timeouts requestedTimeouts(Timeouts current) const;
  uint32_t requestedEventMask() const;
  void startMonitor();
  void stopMonitor();
  void postPacketIfReached();
  void WndProc(int id);
  bool transferCompleted(bool ok, std::size_t moved, int count) const;

  std::unique_ptr<NotificationWindow> window_;
  SerialPort port_;
  bool open_ = false;
  uint32_t eventMask_ = 0;
  std::atomic<int32_t> received_{0};
  std::unique_ptr<tcommthread> monitor_;
  ThreadStarter threadStarter_ = startThread;
};

// Parity code for a word of the parity table, or -1 when the word is not in it.
int parityCodeOf(const std::string& word);
// Stop-bit code for "1", "1.5" or "2", or -1.
int stopBitCodeOf(const std::string& text);

}  // namespace brisvel::serial
