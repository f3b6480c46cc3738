// The exchange against the simulated unit on a real pseudo-terminal, without a display:
// a notification window the test pumps itself stands in for the dialog's event loop.
#include "unit/capture_exchange.h"

#include <gtest/gtest.h>

#include "core/formats/capture_exchange.h"
#include "pumped_window.h"
#include "unit_sim_process.h"

namespace brisvel {
namespace {

using namespace testing_support;
using namespace unit;

// The log outlives the component, whose window refers to it.
struct Capture {
  std::unique_ptr<serial::testing::PumpLog> log = std::make_unique<serial::testing::PumpLog>();
  std::unique_ptr<serial::Trs232c> port;
  bool packet = false;
};

Capture MakeCapture(const std::string& device) {
  Capture capture;
  capture.port = std::make_unique<serial::Trs232c>(std::make_unique<serial::testing::PumpedWindow>(*capture.log));
  ConfigureLine(*capture.port);
  capture.port->portname = device;
  capture.port->rxtimeout = 1000;
  return capture;
}

// Steps of one Add: request, wait for the packet, read it.
std::string RunCapture(Capture& capture, std::chrono::milliseconds wait = 3s) {
  capture.port->OnPACKET = [&capture](serial::Trs232c&) { capture.packet = true; };
  StartCapture(*capture.port);
  ReadAcknowledgement(*capture.port);
  if (!serial::testing::pumpUntil(*capture.log, [&] { return capture.packet; }, wait)) throw std::runtime_error("cancel");
  return HexText(ReadCapturedCode(*capture.port));
}

TEST(CaptureExchange, CapturesTheCodeAsHexAndClosesThePort) {
  const std::string code = "000FA5" + std::string(474, 'C');
  Simulator unit({"--delay", "0.05", "--code", code});
  const std::string device = unit.DevicePath();
  auto capture = MakeCapture(device);
  EXPECT_EQ(RunCapture(capture), code);
  EXPECT_FALSE(capture.port->IsOpen());
  // The next capture on a fresh component works at once.
  auto again = MakeCapture(device);
  EXPECT_EQ(RunCapture(again), code);
}

struct FailureCase {
  const char* label;
  std::vector<std::string> unit_args;
  const char* message;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.label; }

class CaptureFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(CaptureFailure, EachStepReportsItsOwnText) {
  std::vector<std::string> args{"--delay", "0.05"};
  args.insert(args.end(), GetParam().unit_args.begin(), GetParam().unit_args.end());
  Simulator unit(args);
  const std::string device = unit.DevicePath();
  {
    auto capture = MakeCapture(device);
    try {
      RunCapture(capture, 1s);
      FAIL() << "capture succeeded";
    } catch (const std::runtime_error& error) {
      EXPECT_STREQ(error.what(), GetParam().message);
    }
  }
  // Destroying the component released the port: it opens again straight away.
  auto retry = MakeCapture(device);
  EXPECT_TRUE(retry.port->Open());
}

INSTANTIATE_TEST_SUITE_P(
    Unit, CaptureFailure,
    testing::Values(FailureCase{"wrong_ack", {"--ack", "0x4E"}, "error -- not Y($59)"},
                    FailureCase{"silent", {"--silent"}, "error -- read"},
                    FailureCase{"short_packet_waits_until_cancel", {"--short", "241"}, "cancel"},
                    FailureCase{"wrong_start", {"--start", "0x58"}, "error -- not S($53)"},
                    FailureCase{"wrong_end", {"--end", "0x58"}, "error -- not E($45)"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(CaptureExchange, AbandonedPacketDoesNotSpoilTheNextCapture) {
  Simulator unit({"--delay", "0.05"});
  const std::string device = unit.DevicePath();
  {
    auto abandoned = MakeCapture(device);
    abandoned.port->OnPACKET = [&abandoned](serial::Trs232c&) { abandoned.packet = true; };
    StartCapture(*abandoned.port);
    ReadAcknowledgement(*abandoned.port);
    // The packet arrives whole and is never read; waiting for all of it keeps a straggler
    // from landing after the next open's purge.
    ASSERT_TRUE(serial::testing::pumpUntil(*abandoned.log, [&] { return abandoned.packet; }, 3s));
  }
  auto next = MakeCapture(device);
  EXPECT_EQ(RunCapture(next).size(), 480u);
}

TEST(CaptureExchange, MissingDeviceFailsToOpenWithTheReason) {
  auto capture = MakeCapture("/dev/does-not-exist");
  try {
    StartCapture(*capture.port);
    FAIL() << "opened";
  } catch (const ExchangeError& error) {
    EXPECT_STREQ(error.what(), "error -- open");
    EXPECT_EQ(error.failure(), Failure::Open);
    ASSERT_TRUE(error.portError());
    EXPECT_EQ(error.portError()->kind, serial::PortErrorKind::NotFound);
  }
}

TEST(CaptureExchange, SettingsMatchTheUnitsLine) {
  auto capture = MakeCapture("/dev/null");
  const serial::Trs232c& port = *capture.port;
  EXPECT_EQ(port.bps, 115200);
  EXPECT_EQ(port.charbit, 8);
  EXPECT_EQ(port.stopbit, "1");
  EXPECT_EQ(port.paritymode, "無し");
  EXPECT_EQ(port.flowflag, 0u);
  EXPECT_EQ(port.packetsize, 242);
}

TEST(HexText, TwoUppercaseDigitsPerByte) {
  const uint8_t bytes[] = {0x00, 0x0F, 0xA5, 0xFF};
  EXPECT_EQ(HexText(bytes), "000FA5FF");
  EXPECT_EQ(HexText({}), "");
}

}  // namespace
}  // namespace brisvel
