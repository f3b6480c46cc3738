#pragma once
// Deadline arithmetic for timed transfers, kept apart so it can be tested without a port.

#include <chrono>
#include <cstdint>

namespace brisvel::serial {

// A transfer ends when its total time runs out or, once a byte has arrived, when the gap
// to the next byte exceeds the interval. Zero disables either limit.
class TransferTimer {
 public:
  using Clock = std::chrono::steady_clock;

  TransferTimer(uint32_t totalMs, uint32_t intervalMs, Clock::time_point start);

  void bytesArrived(Clock::time_point now);
  // Milliseconds to wait for the next readiness: -1 without limit, 0 when expired.
  int waitMs(Clock::time_point now) const;

 private:
  bool hasTotal_;
  Clock::time_point totalDeadline_;
  std::chrono::milliseconds interval_;
  bool intervalRunning_ = false;
  Clock::time_point intervalDeadline_;
};

}  // namespace brisvel::serial
