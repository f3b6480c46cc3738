// The monitor thread and the hand-over of line events, on real pseudo-terminals.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "pty_support.h"
#include "serial/rs232c.h"

namespace brisvel::serial {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class MonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(pty.path.empty());
    port = std::make_unique<Trs232c>(std::make_unique<testing::PumpedWindow>(log));
    configureForCapture(*port);
  }

  // The receive dialog's settings.
  void configureForCapture(Trs232c& p) {
    p.portname = pty.path;
    p.charbit = 8;
    p.stopbit = "1";
    p.bps = 115200;
    p.flowflag = 0;
    p.set_flow({});
    p.packetsize = 242;
    p.OnPACKET = [this](Trs232c& sender) {
      EXPECT_EQ(&sender, port.get());
      calls.push_back(kNotifyPacket);
    };
  }

  void recordRxChar() {
    port->OnRXCHAR = [this](Trs232c&) { calls.push_back(kNotifyRxChar); };
  }

  bool pumpFor(std::chrono::milliseconds limit) {
    return testing::pumpUntil(log, [] { return false; }, limit);
  }
  bool pumpUntilCalls(std::size_t n) {
    return testing::pumpUntil(log, [&] { return calls.size() >= n; }, 2s);
  }

  // Waits for a posted notification without delivering it.
  bool waitUntilQueued() {
    auto deadline = Clock::now() + 2s;
    while (testing::queuedCount(log) == 0 && Clock::now() < deadline)
      std::this_thread::sleep_for(1ms);
    return testing::queuedCount(log) > 0;
  }

  testing::Pty pty;
  testing::PumpLog log;
  std::unique_ptr<Trs232c> port;
  std::vector<int> calls;
};

TEST_F(MonitorTest, OnlyPacketMeansCharacterMaskAndAMonitor) {
  ASSERT_TRUE(port->Open());
  EXPECT_EQ(port->EventMask(), uint32_t{kEvRxChar});
  EXPECT_TRUE(port->MonitorUsed());
}

TEST_F(MonitorTest, PacketThresholdAt241And242) {
  ASSERT_TRUE(port->Open());
  pty.send(241);
  pumpFor(150ms);
  EXPECT_TRUE(calls.empty()) << "241 bytes are not a packet";
  EXPECT_EQ(port->ReceivedCount(), 241);

  pty.send(1);
  ASSERT_TRUE(pumpUntilCalls(1));
  pumpFor(100ms);
  EXPECT_EQ(calls, std::vector<int>{kNotifyPacket}) << "exactly one packet";
  EXPECT_EQ(port->ReceivedCount(), 0);

  std::vector<unsigned char> packet(242);
  EXPECT_TRUE(port->Read(packet.data(), 242));
}

TEST_F(MonitorTest, QueuedPacketRepostsOnEveryFurtherCharacter) {
  ASSERT_TRUE(port->Open());
  pty.send(242);
  ASSERT_TRUE(pumpUntilCalls(1));
  pty.send(1);
  ASSERT_TRUE(pumpUntilCalls(2));
  EXPECT_EQ(calls, (std::vector<int>{kNotifyPacket, kNotifyPacket}));
}

TEST_F(MonitorTest, PacketIsPostedBeforeRxChar) {
  recordRxChar();
  port->packetsize = 4;
  ASSERT_TRUE(port->Open());
  pty.send(2);
  ASSERT_TRUE(pumpUntilCalls(1));
  ASSERT_EQ(calls, std::vector<int>{kNotifyRxChar});
  pty.send(2);
  ASSERT_TRUE(pumpUntilCalls(3));
  EXPECT_EQ(calls, (std::vector<int>{kNotifyRxChar, kNotifyPacket, kNotifyRxChar}));
}

TEST_F(MonitorTest, RxCharAgainAfterAReadEmptiedTheQueue) {
  recordRxChar();
  ASSERT_TRUE(port->Open());
  pty.send(3);
  ASSERT_TRUE(pumpUntilCalls(1));
  unsigned char buffer[3] = {};
  ASSERT_TRUE(port->Read(buffer, 3));
  pumpFor(50ms);
  calls.clear();
  pty.send(3);  // as many bytes as the queue last held
  EXPECT_TRUE(pumpUntilCalls(1)) << "the second arrival reported no character";
}

TEST_F(MonitorTest, PacketSizeZeroNeverCallsOnPacket) {
  recordRxChar();
  port->packetsize = 0;
  ASSERT_TRUE(port->Open());
  pty.send(300);
  ASSERT_TRUE(pumpUntilCalls(1));
  pumpFor(100ms);
  for (int id : calls) EXPECT_EQ(id, kNotifyRxChar);
  EXPECT_EQ(port->ReceivedCount(), 300) << "the count is kept, not reset";
}

TEST_F(MonitorTest, CloseWhileBlockedIsPromptAndLeavesNoThread) {
  // A first run lets sanitizer runtimes start their own helper threads before counting.
  ASSERT_TRUE(port->Open());
  ASSERT_TRUE(port->Close());
  int before = testing::threadCount();
  ASSERT_TRUE(port->Open());
  EXPECT_EQ(testing::threadCount(), before + 1);
  pty.send(10);  // bytes unread: the monitor waits with a non-empty queue
  std::this_thread::sleep_for(50ms);
  auto start = Clock::now();
  EXPECT_TRUE(port->Close());
  EXPECT_LT(Clock::now() - start, 50ms);
  EXPECT_EQ(testing::threadCount(), before);
}

TEST_F(MonitorTest, FarSideHangUpDuringAWait) {
  ASSERT_TRUE(port->Open());
  std::this_thread::sleep_for(20ms);
  pty.closeMaster();
  pumpFor(300ms);
  EXPECT_TRUE(calls.empty());
  auto start = Clock::now();
  EXPECT_TRUE(port->Close());
  EXPECT_LT(Clock::now() - start, 50ms) << "the back-off pause is releasable";
}

TEST_F(MonitorTest, DestroyingWithQueuedNotificationsCallsNothing) {
  ASSERT_TRUE(port->Open());
  pty.send(242);
  ASSERT_TRUE(waitUntilQueued());
  port.reset();
  pumpFor(50ms);
  EXPECT_TRUE(calls.empty());
}

TEST_F(MonitorTest, NotificationAfterCloseStillReachesTheHandler) {
  ASSERT_TRUE(port->Open());
  pty.send(242);
  ASSERT_TRUE(waitUntilQueued());
  ASSERT_TRUE(port->Close());
  ASSERT_TRUE(pumpUntilCalls(1));
  EXPECT_EQ(calls, std::vector<int>{kNotifyPacket});
}

TEST_F(MonitorTest, ReopenStartsAFreshCount) {
  ASSERT_TRUE(port->Open());
  pty.send(100);
  pumpFor(100ms);
  ASSERT_TRUE(port->Close());
  ASSERT_TRUE(port->Open());
  EXPECT_EQ(port->ReceivedCount(), 0);
  pty.send(142);
  pumpFor(150ms);
  EXPECT_TRUE(calls.empty()) << "Open purged the 100 bytes";
}

}  // namespace
}  // namespace brisvel::serial
