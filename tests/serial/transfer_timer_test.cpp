#include "serial/transfer_timer.h"

#include <gtest/gtest.h>

namespace brisvel::serial {
namespace {

using Clock = TransferTimer::Clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

const Clock::time_point t0{};

TEST(TransferTimer, CallerWaitAloneWhenNothingIsInstalled) {
  TransferTimer timer(500, 0, 0, t0);
  EXPECT_EQ(timer.waitMs(t0), 500);
  timer.bytesArrived(t0 + milliseconds(5));
  EXPECT_EQ(timer.waitMs(t0 + milliseconds(100)), 400);
  EXPECT_EQ(timer.waitMs(t0 + milliseconds(500)), 0);
}

TEST(TransferTimer, TotalCountsDownAndRoundsUp) {
  TransferTimer timer(100000, 100, 0, t0);
  EXPECT_EQ(timer.waitMs(t0), 100);
  EXPECT_EQ(timer.waitMs(t0 + microseconds(40500)), 60);
  EXPECT_EQ(timer.waitMs(t0 + microseconds(99999)), 1);
  EXPECT_EQ(timer.waitMs(t0 + milliseconds(100)), 0);
  EXPECT_EQ(timer.waitMs(t0 + milliseconds(500)), 0);
}

TEST(TransferTimer, IntervalStartsWithFirstByte) {
  TransferTimer timer(100000, 0, 20, t0);
  EXPECT_EQ(timer.waitMs(t0 + milliseconds(1000)), 99000);
  timer.bytesArrived(t0 + milliseconds(1000));
  EXPECT_EQ(timer.waitMs(t0 + milliseconds(1005)), 15);
  timer.bytesArrived(t0 + milliseconds(1010));
  EXPECT_EQ(timer.waitMs(t0 + milliseconds(1025)), 5);
  EXPECT_EQ(timer.waitMs(t0 + milliseconds(1030)), 0);
}

TEST(TransferTimer, EarliestOfCallerWaitTotalAndInterval) {
  TransferTimer shortTotal(300, 100, 30, t0);
  shortTotal.bytesArrived(t0 + milliseconds(10));
  EXPECT_EQ(shortTotal.waitMs(t0 + milliseconds(10)), 30);
  shortTotal.bytesArrived(t0 + milliseconds(90));
  EXPECT_EQ(shortTotal.waitMs(t0 + milliseconds(90)), 10);

  TransferTimer shortWait(100, 300, 0, t0);
  EXPECT_EQ(shortWait.waitMs(t0 + milliseconds(40)), 60);
}

}  // namespace
}  // namespace brisvel::serial
