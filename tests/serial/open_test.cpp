// Open and Close on real pseudo-terminals: what reaches the line, and what is released.

#include <termios.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <system_error>

#include "pty_support.h"
#include "serial/rs232c.h"
#include "tty_speeds.h"

namespace brisvel::serial {
namespace {

using testing::Pty;
using testing::PumpedWindow;
using testing::PumpLog;

class OpenTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(pty.path.empty()); }

  std::unique_ptr<Trs232c> makePort() {
    auto port = std::make_unique<Trs232c>(std::make_unique<PumpedWindow>(log));
    port->portname = pty.path;
    return port;
  }
  termios lineOnSlave() const {
    termios t{};
    EXPECT_EQ(tcgetattr(pty.slave, &t), 0);
    return t;
  }

  Pty pty;
  PumpLog log;
};

// A pty forces CS8 and clears PARENB on every change, so only the parity kind (PARODD,
// CMSPAR), the stop bits and the speed can be read back from one.
struct LineCase {
  std::string stopbit;
  std::string paritymode;
  tcflag_t expectParityKind;
  bool expectTwoStop;
};

TEST_F(OpenTest, LineSettingsReachTheTty) {
  const std::vector<LineCase> cases = {
      {"1", "無し", 0, false},
      {"2", "きすう", PARODD, true},
      {"1.5", "EVEN", 0, true},
      {"1", "ｍａｒｋ", PARODD | CMSPAR, false},
      {"1", "スペース", CMSPAR, false},
  };
  for (const auto& c : cases) {
    auto port = makePort();
    port->stopbit = c.stopbit;
    port->paritymode = c.paritymode;
    port->bps = 115200;
    ASSERT_TRUE(port->Open()) << c.paritymode;
    termios t = lineOnSlave();
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), c.expectParityKind) << c.paritymode;
    EXPECT_EQ((t.c_cflag & CSTOPB) != 0, c.expectTwoStop) << c.stopbit;
    EXPECT_EQ(cfgetospeed(&t), B115200);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
    EXPECT_TRUE(port->Close());
  }
}

TEST_F(OpenTest, UnknownWordsAndZeroCharsLeaveTheDriversValue) {
  termios t = lineOnSlave();
  t.c_cflag |= CSTOPB;
  t.c_cc[VSTART] = 0x01;
  ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &t), 0);
  auto port = makePort();
  port->stopbit = "3";
  port->XonChar = 0;
  ASSERT_TRUE(port->Open());
  t = lineOnSlave();
  EXPECT_TRUE(t.c_cflag & CSTOPB);
  EXPECT_EQ(t.c_cc[VSTART], 0x01);
  EXPECT_EQ(t.c_cc[VSTOP], 19);
}

TEST_F(OpenTest, FlagWordSelectsSoftwareFlowControl) {
  auto port = makePort();
  port->set_flow({dfBinary, dfOutX, dfInX});
  ASSERT_TRUE(port->Open());
  termios t = lineOnSlave();
  EXPECT_TRUE(t.c_iflag & IXON);
  EXPECT_TRUE(t.c_iflag & IXOFF);
  port->Close();
  port->flowflag = 0;
  ASSERT_TRUE(port->Open());
  t = lineOnSlave();
  EXPECT_FALSE(t.c_iflag & (IXON | IXOFF));
  EXPECT_FALSE(t.c_cflag & CRTSCTS);
}

TEST_F(OpenTest, AnySpeedIsAccepted) {
  for (uint32_t baud : {250000u, 115200u, 31250u}) {
    SerialPort port;
    ASSERT_TRUE(port.open(pty.path));
    LineSettings settings;
    ASSERT_TRUE(port.getLineSettings(settings));
    settings.baudRate = baud;
    ASSERT_TRUE(port.setLineSettings(settings)) << baud;
    LineSettings readBack;
    ASSERT_TRUE(port.getLineSettings(readBack));
    EXPECT_EQ(readBack.baudRate, baud);
  }
}

TEST_F(OpenTest, SpeedIsSetInBothDirections) {
  // Each standard speed follows a non-standard one, whose input speed must not linger.
  auto port = makePort();
  for (int32_t bps : {250000, 115200, 31250, 9600}) {
    SCOPED_TRACE(bps);
    port->bps = bps;
    ASSERT_TRUE(port->Open());
    testing::TtySpeeds speeds = testing::ttySpeeds(pty.slave);
    EXPECT_EQ(speeds.input, static_cast<uint32_t>(bps));
    EXPECT_EQ(speeds.output, static_cast<uint32_t>(bps));
    ASSERT_TRUE(port->Close());
  }
}

TEST_F(OpenTest, CloseDiscardsOutputTheFarSideHasNotTaken) {
  // A pty holds written bytes on the far side until its reader takes them, where a UART
  // holds them in its transmit queue; either way a close must not leave them to go out.
  auto port = makePort();
  ASSERT_TRUE(port->Open());
  std::vector<unsigned char> block(6000, 0x41);
  ASSERT_TRUE(port->Write(block.data(), static_cast<int>(block.size())));
  ASSERT_TRUE(port->Close());
  EXPECT_LT(pty.drain(), block.size());
}

TEST_F(OpenTest, SecondOpenerIsRefusedUntilClose) {
  auto first = makePort();
  auto second = makePort();
  ASSERT_TRUE(first->Open());
  EXPECT_FALSE(second->Open());
  EXPECT_EQ(second->LastError().kind, PortErrorKind::Busy);
  EXPECT_FALSE(first->Open()) << "already open";
  EXPECT_TRUE(first->IsOpen());
  EXPECT_TRUE(first->Close());
  EXPECT_TRUE(second->Open());
}

TEST_F(OpenTest, FailuresReportThroughTheDebugHookOnlyWhenAsked) {
  auto port = makePort();
  port->portname = "/dev/does-not-exist";
  EXPECT_FALSE(port->Open());
  EXPECT_TRUE(log.messages.empty());
  port->debug = true;
  EXPECT_FALSE(port->Open());
  port->portname = pty.path;
  port->charbit = 9;
  EXPECT_FALSE(port->Open());
  EXPECT_EQ(log.messages, (std::vector<std::string>{"回線オープンエラー", "通信条件設定エラー"}));
  EXPECT_FALSE(port->IsOpen());
  port->charbit = 8;
  EXPECT_TRUE(port->Open()) << "a failed Open releases the port";
}

TEST_F(OpenTest, LifeCycleNotifications) {
  auto port = makePort();
  std::vector<std::string> calls;
  port->OnOpen = [&](Trs232c& s) { calls.push_back(s.IsOpen() ? "open" : "?"); };
  port->OnClose = [&](Trs232c& s) { calls.push_back(s.IsOpen() ? "?" : "close"); };
  EXPECT_FALSE(port->Close());
  ASSERT_TRUE(port->Open());
  EXPECT_FALSE(port->MonitorUsed()) << "life-cycle handlers need no monitor";
  EXPECT_TRUE(port->Close());
  EXPECT_FALSE(port->Close());
  EXPECT_EQ(calls, (std::vector<std::string>{"open", "close"}));
}

TEST_F(OpenTest, OnCloseRunsWhileThePortIsStillHeld) {
  auto port = makePort();
  auto other = makePort();
  bool otherOpenedDuringOnClose = true;
  port->OnClose = [&](Trs232c&) { otherOpenedDuringOnClose = other->Open(); };
  ASSERT_TRUE(port->Open());
  ASSERT_TRUE(port->Close());
  EXPECT_FALSE(otherOpenedDuringOnClose);
  EXPECT_TRUE(other->Open()) << "released after OnClose";
}

TEST_F(OpenTest, ThrowingOnCloseStillReleasesThePort) {
  for (bool byDestruction : {false, true}) {
    SCOPED_TRACE(byDestruction ? "closed by destruction" : "closed by Close");
    auto port = makePort();
    port->OnClose = [](Trs232c&) { throw std::runtime_error("handler failed"); };
    ASSERT_TRUE(port->Open());
    if (byDestruction) {
      port.reset();  // the error must not escape the destructor and end the program
    } else {
      EXPECT_THROW(port->Close(), std::runtime_error) << "the caller shows the error";
      EXPECT_FALSE(port->IsOpen());
    }
    EXPECT_TRUE(makePort()->Open()) << "the port was released";
  }
}

TEST_F(OpenTest, EventMaskFollowsTheHandlers) {
  struct MaskCase {
    Trs232c::Notify Trs232c::*handler;
    uint32_t mask;
  };
  const std::vector<MaskCase> cases = {
      {&Trs232c::OnPACKET, 0x01}, {&Trs232c::OnRXCHAR, 0x01}, {&Trs232c::OnRXFLAG, 0x02},
      {&Trs232c::OnTXEMPTY, 0x04}, {&Trs232c::OnCTS, 0x08},   {&Trs232c::OnDSR, 0x10},
      {&Trs232c::OnRLSD, 0x20},   {&Trs232c::OnBREAK, 0x40},  {&Trs232c::OnERR, 0x80},
      {&Trs232c::OnRING, 0x100},
  };
  for (const auto& c : cases) {
    auto port = makePort();
    (*port).*c.handler = [](Trs232c&) {};
    ASSERT_TRUE(port->Open());
    EXPECT_EQ(port->EventMask(), c.mask);
    EXPECT_TRUE(port->MonitorUsed());
  }
}

TEST_F(OpenTest, HangUpHandlerAloneStartsNoMonitor) {
  auto port = makePort();
  port->OnHANGUP = [](Trs232c&) {};
  ASSERT_TRUE(port->Open());
  EXPECT_EQ(port->EventMask(), 0u);
  EXPECT_FALSE(port->MonitorUsed());
}

TEST_F(OpenTest, DeviceThatIsNoTerminalIsRefused) {
  auto port = makePort();
  port->portname = "/dev/null";
  EXPECT_FALSE(port->Open());
  EXPECT_EQ(port->LastError().kind, PortErrorKind::NotSupported);
}

TEST_F(OpenTest, ThreadCreationFailureReleasesThePort) {
  auto port = makePort();
  port->OnPACKET = [](Trs232c&) {};
  port->SetThreadStarter([](std::function<void()>) -> std::thread {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  });
  try {
    port->Open();
    FAIL() << "expected ThreadError";
  } catch (const ThreadError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("スレッド作成エラー：", 0), 0u) << e.what();
  }
  EXPECT_FALSE(port->IsOpen());
  EXPECT_FALSE(port->MonitorUsed());
  auto other = makePort();
  EXPECT_TRUE(other->Open()) << "the port was released before raising";
}

}  // namespace
}  // namespace brisvel::serial
