// Open and Close on real pseudo-terminals: what reaches the line, and what is released.

#include <gtest/gtest.h>

#include <stdexcept>
#include <system_error>

#include "file_bytes.h"
#include "pty_support.h"
#include "scratch_dir.h"
#include "serial/rs232c.h"

namespace brisvel::serial {
namespace {

using testing::Pty;
using testing::PumpedWindow;
using testing::PumpLog;
using testing::TtyState;

class OpenTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(pty.path.empty()); }

  std::unique_ptr<Trs232c> makePort() {
    auto port = std::make_unique<Trs232c>(std::make_unique<PumpedWindow>(log));
    port->portname = pty.path;
    return port;
  }

  Pty pty;
  PumpLog log;
};

struct LineCase {
  std::string stopbit;
  std::string paritymode;
  bool expectOdd;
  bool expectStick;
  bool expectTwoStop;
};

TEST_F(OpenTest, LineSettingsReachTheTty) {
  const std::vector<LineCase> cases = {
      {"1", "無し", false, false, false},
      {"2", "きすう", true, false, true},
      {"1.5", "EVEN", false, false, true},
      {"1", "ｍａｒｋ", true, true, false},
      {"1", "スペース", false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.paritymode + " " + c.stopbit);
    auto port = makePort();
    port->stopbit = c.stopbit;
    port->paritymode = c.paritymode;
    port->bps = 115200;
    ASSERT_TRUE(port->Open());
    TtyState t = pty.tty();
    EXPECT_EQ(t.parityOdd, c.expectOdd);
    EXPECT_EQ(t.parityStick, c.expectStick);
    EXPECT_EQ(t.twoStopBits, c.expectTwoStop);
    EXPECT_EQ(t.outputBaud, 115200u);
    EXPECT_TRUE(t.local);
    EXPECT_TRUE(t.raw);
    EXPECT_TRUE(port->Close());
  }
}

TEST_F(OpenTest, UnknownWordsAndZeroCharsLeaveTheDriversValue) {
  pty.presetTty(true, 0x01);
  auto port = makePort();
  port->stopbit = "3";
  port->XonChar = 0;
  ASSERT_TRUE(port->Open());
  TtyState t = pty.tty();
  EXPECT_TRUE(t.twoStopBits);
  EXPECT_EQ(t.startChar, 0x01);
  EXPECT_EQ(t.stopChar, 19);
}

TEST_F(OpenTest, FlagWordSelectsSoftwareFlowControl) {
  auto port = makePort();
  port->set_flow({dfBinary, dfOutX, dfInX});
  ASSERT_TRUE(port->Open());
  TtyState t = pty.tty();
  EXPECT_TRUE(t.xonOutput);
  EXPECT_TRUE(t.xonInput);
  port->Close();
  port->flowflag = 0;
  ASSERT_TRUE(port->Open());
  t = pty.tty();
  EXPECT_FALSE(t.xonOutput || t.xonInput);
  EXPECT_FALSE(t.ctsFlow);
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
    // Wine sets a tty to 38400 for a speed termios has no code for; a Windows driver keeps it.
    if (testing_support::UnderWine() && baud != 115200) continue;
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
    TtyState t = pty.tty();
    ASSERT_TRUE(port->Close());
    // Wine sets a tty to 38400 for a speed termios has no code for; a Windows driver keeps it.
    if (testing_support::UnderWine() && (bps == 250000 || bps == 31250)) continue;
    EXPECT_EQ(t.inputBaud, static_cast<uint32_t>(bps));
    EXPECT_EQ(t.outputBaud, static_cast<uint32_t>(bps));
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
  EXPECT_FALSE(first->Open()) << "already open";
  EXPECT_TRUE(first->IsOpen());
  if (testing_support::UnderWine()) GTEST_SKIP() << "wine opens a COM port a second time; Windows refuses it";
  EXPECT_FALSE(second->Open());
  EXPECT_EQ(second->LastError().kind, PortErrorKind::Busy);
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
  if (testing_support::UnderWine()) GTEST_SKIP() << "wine opens a COM port a second time: held looks free";
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

TEST_F(OpenTest, WhatIsNoSerialPortIsRefused) {
  testing_support::ScratchDir scratch;
  testing_support::WriteFileBytes(scratch / "codes.csv", "");
  for (const std::string& device : {testing::NullDevice(), (scratch / "codes.csv").string(), scratch.path().string()}) {
    SCOPED_TRACE(device);
    auto port = makePort();
    port->portname = device;
    EXPECT_FALSE(port->Open());
    EXPECT_EQ(port->LastError().kind, PortErrorKind::NotSupported);
    EXPECT_FALSE(port->IsOpen());
  }
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
