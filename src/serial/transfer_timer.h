#pragma once
// Deadline arithmetic for timed transfers, kept apart so it can be tested without a port.

#include <chrono>
#include <cstdint>

namespace brisvel::serial {

// A transfer ends when the caller's wait runs out, when the installed total time runs out or,
// once a byte has arrived, when the gap to the next byte exceeds the installed interval. The
// caller's wait always applies (zero: take only what moves at once); an installed total or
// interval of zero is not used, as in the Win32 time-out record.
class TransferTimer {
 public:
  using Clock = std::chrono::steady_clock;

  TransferTimer(uint32_t callerWaitMs, uint32_t totalMs, uint32_t intervalMs,
                Clock::time_point start);

  void bytesArrived(Clock::time_point now);
  // Milliseconds to wait for the next readiness, 0 when the transfer's time is up.
  int waitMs(Clock::time_point now) const;

 private:
  Clock::time_point deadline_;
  std::chrono::milliseconds interval_;
  bool intervalRunning_ = false;
  Clock::time_point intervalDeadline_;
};

}  // namespace brisvel::serial
