// Timed reads and writes across a pseudo-terminal.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "pty_support.h"
#include "serial/rs232c.h"

namespace brisvel::serial {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class TransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(pty.path.empty());
    port.portname = pty.path;
    port.rxtimeout = 100;
    port.txtimeout = 100;
  }

  testing::Pty pty;
  testing::PumpLog log;
  Trs232c port{std::make_unique<testing::PumpedWindow>(log)};
};

TEST_F(TransferTest, ClosedPortTouchesNothing) {
  uint8_t byte = 0xAB;
  unsigned char buffer[4] = {1, 2, 3, 4};
  EXPECT_FALSE(port.Read(buffer, 4));
  EXPECT_FALSE(port.ReadByte(byte));
  EXPECT_FALSE(port.WriteByte(0x72));
  EXPECT_EQ(byte, 0xAB);
  EXPECT_EQ(buffer[0], 1);
}

TEST_F(TransferTest, ExchangeBothWays) {
  ASSERT_TRUE(port.Open());
  ASSERT_TRUE(port.WriteByte(0x72));
  EXPECT_EQ(pty.receive(1, 1s), testing::Bytes{0x72});

  pty.send({0x59, 0x53, 0x01, 0x02});
  uint8_t ack = 0;
  ASSERT_TRUE(port.ReadByte(ack));
  EXPECT_EQ(ack, 0x59);
  unsigned char rest[3] = {};
  ASSERT_TRUE(port.Read(rest, 3));
  EXPECT_EQ(rest[0], 0x53);
  EXPECT_EQ(rest[2], 0x02);
  EXPECT_TRUE(port.Read(rest, 0));
}

TEST_F(TransferTest, ReadTimesOutWithinItsLimit) {
  ASSERT_TRUE(port.Open());
  uint8_t byte = 0xAB;
  auto start = Clock::now();
  EXPECT_FALSE(port.ReadByte(byte));
  auto took = Clock::now() - start;
  EXPECT_GE(took, 100ms);
  EXPECT_LT(took, 1s);
  EXPECT_EQ(byte, 0xAB);
  EXPECT_EQ(port.LastError().kind, PortErrorKind::Timeout) << "a silent line is no dead one";
}

TEST_F(TransferTest, TimedOutReadTakesNothingThatComesLater) {
  ASSERT_TRUE(port.Open());
  uint8_t byte = 0xAB;
  EXPECT_FALSE(port.ReadByte(byte));
  pty.send(testing::Bytes{0x59});
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(byte, 0xAB) << "the abandoned read wrote the buffer";
  ASSERT_TRUE(port.ReadByte(byte));
  EXPECT_EQ(byte, 0x59);
}

TEST_F(TransferTest, ZeroTimeOutWaitsForNothing) {
  port.rxtimeout = 0;
  port.txtimeout = 0;
  ASSERT_TRUE(port.Open());
  unsigned char buffer[2] = {};
  auto read = std::async(std::launch::async, [&] { return port.Read(buffer, 2); });
  bool returned = read.wait_for(5s) == std::future_status::ready;
  if (!returned) pty.send(2);  // frees a read stuck waiting, so the test fails instead of hanging
  EXPECT_TRUE(returned) << "a zero time-out waited for bytes";
  EXPECT_FALSE(read.get());

  pty.send({0x59, 0x53});
  ASSERT_TRUE(pty.waitForInput(2));
  EXPECT_TRUE(port.Read(buffer, 2)) << "bytes already queued need no wait";
  EXPECT_EQ(buffer[1], 0x53);
  EXPECT_TRUE(port.WriteByte(0x72)) << "room in the output queue needs no wait";
}

TEST_F(TransferTest, ShortReadFailsEvenWithBytesAtHand) {
  ASSERT_TRUE(port.Open());
  pty.send(3);
  unsigned char buffer[5] = {};
  EXPECT_FALSE(port.Read(buffer, 5));
  EXPECT_EQ(buffer[2], 0x55) << "the bytes that came are delivered";
}

TEST_F(TransferTest, ReadIntervalEndsAStalledTransfer) {
  port.rxtimeout = 5000;  // the gap must end it long before this
  port.readinterval = 50;
  ASSERT_TRUE(port.Open());
  pty.send(2);
  unsigned char buffer[4] = {};
  auto start = Clock::now();
  EXPECT_FALSE(port.Read(buffer, 4));
  EXPECT_LT(Clock::now() - start, 1s);
}

TEST_F(TransferTest, ReadFailsPromptlyWhenTheFarSideHangsUp) {
  ASSERT_TRUE(port.Open());
  port.rxtimeout = 5000;
  ASSERT_TRUE(port.Close());
  ASSERT_TRUE(port.Open());
  pty.closeMaster();
  unsigned char buffer[2] = {};
  auto start = Clock::now();
  EXPECT_FALSE(port.Read(buffer, 2));
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_EQ(port.LastError().kind, PortErrorKind::HungUp);
}

TEST_F(TransferTest, WriteThatCannotFinishFails) {
  ASSERT_TRUE(port.Open());
  // Nobody reads the master: the pty's buffers fill and the write runs out of time.
  std::vector<unsigned char> big(1 << 20, 0x41);
  auto start = Clock::now();
  EXPECT_FALSE(port.Write(big.data(), static_cast<int>(big.size())));
  EXPECT_GE(Clock::now() - start, 100ms);
}

}  // namespace
}  // namespace brisvel::serial
