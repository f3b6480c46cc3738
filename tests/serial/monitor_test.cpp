// The monitor thread and the hand-over of line events, on real pseudo-terminals.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "pty_support.h"
#include "serial/rs232c.h"

namespace brisvel::serial {

// Calls the dispatcher as the monitor thread does, with a reported mask of the test's choice.
class Trs232cTestPeer {
 public:
  static void dispatch(Trs232c& port, uint32_t reported) { port.DispatchCommEvents(reported); }
};

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
  // Sent bytes reach the port when the kernel gets round to it: wait for them, not a while.
  bool pumpUntilCounted(int32_t n) {
    return testing::pumpUntil(log, [&] { return port->ReceivedCount() >= n; }, 2s);
  }

  // Wine reports EV_RXCHAR again and again while bytes wait, and each report of a full queue
  // posts the packet again (and sets the count anew); Windows, like Linux, reports only new
  // bytes. Under wine, n is only the least number of packets.
  void expectPackets(std::size_t n) {
    if (testing_support::UnderWine()) {
      EXPECT_GE(calls.size(), n);
      EXPECT_EQ(std::count(calls.begin(), calls.end(), kNotifyPacket), std::ssize(calls)) << "only packets";
    } else {
      EXPECT_EQ(calls, std::vector<int>(n, kNotifyPacket));
      EXPECT_EQ(port->ReceivedCount(), 0);
    }
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
  ASSERT_TRUE(pumpUntilCounted(241));
  pumpFor(50ms);
  EXPECT_TRUE(calls.empty()) << "241 bytes are not a packet";
  EXPECT_EQ(port->ReceivedCount(), 241);

  pty.send(1);
  ASSERT_TRUE(pumpUntilCalls(1));
  pumpFor(100ms);
  expectPackets(1);

  std::vector<unsigned char> packet(242);
  EXPECT_TRUE(port->Read(packet.data(), 242));
}

TEST_F(MonitorTest, QueuedPacketRepostsOnEveryFurtherCharacter) {
  ASSERT_TRUE(port->Open());
  pty.send(242);
  ASSERT_TRUE(pumpUntilCalls(1));
  pty.send(1);
  ASSERT_TRUE(pumpUntilCalls(2));
  expectPackets(2);
}

TEST_F(MonitorTest, PacketIsPostedBeforeRxChar) {
  if (testing_support::UnderWine()) GTEST_SKIP() << "wine repeats EV_RXCHAR while bytes wait, hiding the order within one event";
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
  ASSERT_TRUE(pumpUntilCounted(300));
  pumpFor(50ms);
  for (int id : calls) EXPECT_EQ(id, kNotifyRxChar);
  EXPECT_EQ(port->ReceivedCount(), 300) << "the count is kept, not reset";
}

TEST_F(MonitorTest, CloseWhileBlockedIsPromptAndLeavesNoThread) {
  // A first run lets sanitizer runtimes start their own helper threads before counting.
  size_t before = testing_support::UnnamedThreadCount();
  ASSERT_TRUE(port->Open());
  ASSERT_TRUE(port->Close());
  before = testing_support::UnnamedThreadCountSettledAt(before);
  ASSERT_TRUE(port->Open());
  EXPECT_EQ(testing_support::UnnamedThreadCountSettledAt(before + 1), before + 1);
  pty.send(10);  // bytes unread: the monitor waits with a non-empty queue
  std::this_thread::sleep_for(50ms);
  auto start = Clock::now();
  EXPECT_TRUE(port->Close());
  EXPECT_LT(Clock::now() - start, 50ms);
  EXPECT_EQ(testing_support::UnnamedThreadCountSettledAt(before), before);
}

TEST_F(MonitorTest, FarSideHangUpDuringAWaitIsReportedOnce) {
  port->OnHANGUP = [this](Trs232c& sender) {
    EXPECT_EQ(&sender, port.get());
    calls.push_back(kNotifyHangUp);
  };
  ASSERT_TRUE(port->Open());
  std::this_thread::sleep_for(20ms);
  pty.closeMaster();
  pumpFor(300ms);  // the monitor backs off twice or more meanwhile
  EXPECT_EQ(calls, std::vector<int>{kNotifyHangUp});
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
  expectPackets(1);
}

TEST_F(MonitorTest, ReopenStartsAFreshCount) {
  ASSERT_TRUE(port->Open());
  pty.send(100);
  ASSERT_TRUE(pumpUntilCounted(100));
  ASSERT_TRUE(port->Close());
  ASSERT_TRUE(port->Open());
  EXPECT_EQ(port->ReceivedCount(), 0);
  pty.send(142);
  ASSERT_TRUE(pumpUntilCounted(142));
  pumpFor(50ms);
  EXPECT_TRUE(calls.empty()) << "Open purged the 100 bytes";
}

struct DispatchCase {
  const char* what;
  uint32_t reported;
  std::vector<Trs232c::Notify Trs232c::*> handlers;
  int32_t packetsize;
  std::size_t queued;
  std::vector<int> posted;
};

std::vector<int> posted(testing::PumpLog& log) {
  std::lock_guard lock(log.mutex);
  return {log.queue.begin(), log.queue.end()};
}

TEST(DispatchCommEvents, PostsInOrderForAssignedHandlersOnly) {
  const std::vector<Trs232c::Notify Trs232c::*> all = {
      &Trs232c::OnBREAK, &Trs232c::OnCTS,    &Trs232c::OnDSR,    &Trs232c::OnERR,
      &Trs232c::OnRING,  &Trs232c::OnRLSD,   &Trs232c::OnPACKET, &Trs232c::OnRXCHAR,
      &Trs232c::OnRXFLAG, &Trs232c::OnTXEMPTY};
  auto withHangUp = all;
  withHangUp.push_back(&Trs232c::OnHANGUP);
  const uint32_t every = kEvBreak | kEvCts | kEvDsr | kEvErr | kEvRing | kEvRlsd | kEvRxChar |
                         kEvRxFlag | kEvTxEmpty;
  const std::vector<DispatchCase> cases = {
      {"every event, every handler, packet complete", every, all, 4, 4,
       {kNotifyBreak, kNotifyCts, kNotifyDsr, kNotifyErr, kNotifyRing, kNotifyRlsd, kNotifyPacket,
        kNotifyRxChar, kNotifyRxFlag, kNotifyTxEmpty}},
      {"line events in their order, not by bit value", kEvRlsd | kEvRing | kEvErr | kEvBreak, all,
       0, 0, {kNotifyBreak, kNotifyErr, kNotifyRing, kNotifyRlsd}},
      {"packet before character at the threshold", kEvRxChar,
       {&Trs232c::OnRXCHAR, &Trs232c::OnPACKET}, 4, 5, {kNotifyPacket, kNotifyRxChar}},
      {"below the threshold only the character", kEvRxChar,
       {&Trs232c::OnRXCHAR, &Trs232c::OnPACKET}, 4, 3, {kNotifyRxChar}},
      {"packet size 0 never posts a packet", kEvRxChar, {&Trs232c::OnRXCHAR, &Trs232c::OnPACKET},
       0, 10, {kNotifyRxChar}},
      {"packet size 0, only OnPACKET", kEvRxChar, {&Trs232c::OnPACKET}, 0, 10, {}},
      {"threshold reached without OnPACKET", kEvRxChar, {&Trs232c::OnRXCHAR}, 4, 4,
       {kNotifyRxChar}},
      {"only assigned handlers post", every, {&Trs232c::OnDSR, &Trs232c::OnRXFLAG}, 4, 4,
       {kNotifyDsr, kNotifyRxFlag}},
      {"handlers without their event post nothing", 0, all, 4, 4, {}},
      {"hang-up after the line events", kEvBreak | kEvRxChar | kEvHangUp, withHangUp, 0, 1,
       {kNotifyBreak, kNotifyRxChar, kNotifyHangUp}},
      {"hang-up without OnHANGUP posts nothing", kEvHangUp, all, 4, 4, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::Pty pty;
    testing::PumpLog log;
    Trs232c port(std::make_unique<testing::PumpedWindow>(log));
    port.portname = pty.path;
    port.packetsize = c.packetsize;
    for (auto handler : c.handlers) port.*handler = [](Trs232c&) {};
    // A monitor that never runs leaves the test the only caller of the dispatcher.
    port.SetThreadStarter([](std::function<void()>) { return std::thread([] {}); });
    ASSERT_TRUE(port.Open());
    pty.send(c.queued);
    ASSERT_TRUE(pty.waitForInput(c.queued));
    Trs232cTestPeer::dispatch(port, c.reported);
    EXPECT_EQ(posted(log), c.posted);
  }
}

}  // namespace
}  // namespace brisvel::serial
