#include "serial/transfer_timer.h"

#include <algorithm>

namespace brisvel::serial {

namespace {

int msUntil(TransferTimer::Clock::time_point deadline, TransferTimer::Clock::time_point now) {
  if (deadline <= now) return 0;
  // Round up so a wait never ends before the deadline it serves.
  auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
  return static_cast<int>(std::min<long long>(left, 0x7fffffff));
}

}  // namespace

TransferTimer::TransferTimer(uint32_t callerWaitMs, uint32_t totalMs, uint32_t intervalMs,
                             Clock::time_point start)
    : deadline_(start + std::chrono::milliseconds(
                            totalMs == 0 ? callerWaitMs : std::min(callerWaitMs, totalMs))),
      interval_(intervalMs) {}

void TransferTimer::bytesArrived(Clock::time_point now) {
  if (interval_.count() == 0) return;
  intervalRunning_ = true;
  intervalDeadline_ = now + interval_;
}

int TransferTimer::waitMs(Clock::time_point now) const {
  int wait = msUntil(deadline_, now);
  if (intervalRunning_) wait = std::min(wait, msUntil(intervalDeadline_, now));
  return wait;
}

}  // namespace brisvel::serial
