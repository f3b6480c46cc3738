// Each test starts the simulator as a child process and talks to it through the device
// it prints, as the tool would. Every wait is bounded, and the child is killed on the way
// out, so a broken simulator fails a test instead of hanging the suite.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "core/signal/decode.h"
#include "file_bytes.h"
#include "unit_sim_process.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using namespace brisvel::testing_support;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kPacketSize = 242;
constexpr auto kQuiet = 300ms;          // silence long enough to call a reply complete
constexpr const char* kDelay = "0.05";  // seconds from acknowledgement to packet

// The port opened the way a serial program would, with no project code: raw, and with
// whatever an earlier user left unread discarded.
class Port {
 public:
  explicit Port(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    if (fd_ < 0) ThrowSystemError("open port");
    termios settings{};
    if (tcgetattr(fd_, &settings) != 0) ThrowSystemError("tcgetattr");
    cfmakeraw(&settings);
    if (tcsetattr(fd_, TCSAFLUSH, &settings) != 0) ThrowSystemError("tcsetattr");
  }
  ~Port() { close(fd_); }
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  void Send(std::string_view text) {
    if (write(fd_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
      ThrowSystemError("write port");
    }
  }
  Bytes Receive(std::size_t count, std::chrono::milliseconds quiet = kPatience) {
    return ReadBytes(fd_, count, quiet);
  }
  // Everything that arrives until the line falls quiet, and one byte more than expected
  // at most, so a too-long reply shows as such.
  Bytes ReceiveAll(std::size_t expected) { return Receive(expected + 1, kQuiet); }
  // The simulator's write returns before the pty hands the bytes on, so a test that
  // leaves bytes unread waits for them all to land; else the next open's flush can
  // miss a straggler.
  bool WaitUntilQueued(int count) const {
    for (auto deadline = Clock::now() + kPatience; Clock::now() < deadline;
         std::this_thread::sleep_for(1ms)) {
      int queued = 0;
      if (ioctl(fd_, FIONREAD, &queued) != 0) return false;
      if (queued >= count) return true;
    }
    return false;
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

std::string CodeHex(const Bytes& packet) {
  std::string hex;
  for (std::size_t i = 1; i + 1 < packet.size(); ++i) {
    static const char kDigits[] = "0123456789ABCDEF";
    hex += kDigits[packet[i] >> 4];
    hex += kDigits[packet[i] & 0xF];
  }
  return hex;
}

class UnitSimTest : public ::testing::Test {
 protected:
  void TearDown() override {
    simulator_.reset();
    if (!temp_dir_.empty()) std::filesystem::remove_all(temp_dir_);
  }

  // Starts the simulator and returns the device it prints.
  std::string Start(const std::vector<std::string>& args) {
    simulator_.emplace(args);
    return simulator_->DevicePath();
  }

  std::filesystem::path TempDir() {
    if (temp_dir_.empty()) {
      std::string pattern = std::filesystem::temp_directory_path() / "unit_sim_test.XXXXXX";
      if (!mkdtemp(pattern.data())) ThrowSystemError("mkdtemp");
      temp_dir_ = pattern;
    }
    return temp_dir_;
  }

  // One whole exchange; returns the packet after checking its frame.
  static Bytes Capture(Port& port) {
    port.Send("r");
    EXPECT_EQ(port.Receive(1), Bytes{0x59});
    Bytes packet = port.Receive(kPacketSize);
    EXPECT_EQ(packet.size(), kPacketSize);
    if (packet.size() == kPacketSize) {
      EXPECT_EQ(packet.front(), 0x53);
      EXPECT_EQ(packet.back(), 0x45);
    }
    return packet;
  }

  std::optional<Simulator> simulator_;
  std::filesystem::path temp_dir_;
};

TEST_F(UnitSimTest, AnswersOnlyTheStartByte) {
  Port port(Start({}));
  port.Send("xR\n\x00Y");
  EXPECT_EQ(port.ReceiveAll(0), Bytes{});
  port.Send("r");
  EXPECT_EQ(port.Receive(1), Bytes{0x59});
}

TEST_F(UnitSimTest, EnterSendsThePacketOnlyOnceArmed) {
  Port port(Start({}));
  simulator_->PressEnter();
  ASSERT_TRUE(simulator_->LogShows("not armed"));
  port.Send("r");
  EXPECT_EQ(port.ReceiveAll(1), Bytes{0x59});
  simulator_->PressEnter();
  Bytes packet = port.ReceiveAll(kPacketSize);
  ASSERT_EQ(packet.size(), kPacketSize);
  EXPECT_EQ(packet.front(), 0x53);
  EXPECT_EQ(packet.back(), 0x45);
  simulator_->PressEnter();  // disarmed by the packet
  EXPECT_EQ(port.ReceiveAll(0), Bytes{});
}

TEST_F(UnitSimTest, StartByteWhileArmedAcknowledgesAgain) {
  Port port(Start({}));
  port.Send("r");
  EXPECT_EQ(port.Receive(1), Bytes{0x59});
  port.Send("r");
  EXPECT_EQ(port.Receive(1), Bytes{0x59});
  simulator_->PressEnter();
  EXPECT_EQ(port.ReceiveAll(kPacketSize).size(), kPacketSize);
}

TEST_F(UnitSimTest, PacketTakesAsLongAsOnTheWire) {
  Port port(Start({"--delay", kDelay}));
  auto requested = Clock::now();
  Capture(port);
  // Measured from the request, which the simulator cannot act on earlier, so a late
  // reader can only lengthen it: the delay plus 21 ms for 242 bytes at 115200 bit/s.
  EXPECT_GE(Clock::now() - requested, 50ms + 20ms);
}

TEST_F(UnitSimTest, SuccessiveCapturesSendDifferentCodes) {
  Port port(Start({"--delay", kDelay}));
  Bytes first = Capture(port);
  Bytes second = Capture(port);
  EXPECT_NE(CodeHex(first), CodeHex(second));
}

TEST_F(UnitSimTest, ServesAgainAfterThePortIsReopened) {
  std::string device = Start({"--delay", kDelay});
  Bytes first, second;
  {
    Port port(device);
    first = Capture(port);
  }
  Port port(device);
  second = Capture(port);
  EXPECT_NE(CodeHex(first), CodeHex(second));
}

TEST_F(UnitSimTest, ServesAgainAfterAnAbandonedCapture) {
  std::string device = Start({"--delay", kDelay, "--short", "241"});
  {
    Port port(device);
    port.Send("r");
    ASSERT_EQ(port.Receive(1), Bytes{0x59});
    ASSERT_TRUE(simulator_->LogShows("capture 1: sent 241 bytes"));  // and left unread
    ASSERT_TRUE(port.WaitUntilQueued(241));
  }
  Port port(device);
  port.Send("r");
  Bytes reply = port.ReceiveAll(1 + 241);
  ASSERT_EQ(reply.size(), 1u + 241u);
  EXPECT_EQ(reply.front(), 0x59);
}

// A tool that stopped in the middle of a code leaves the rest unsent; a second later the
// unit takes "r" as a capture again, not as a code byte.
TEST_F(UnitSimTest, ServesAgainAfterAnAbandonedSend) {
  Port port(Start({"--delay", kDelay}));
  port.Send("t");
  ASSERT_EQ(port.Receive(1), Bytes{0x59});
  port.Send("4" + std::string(100, 'x'));
  ASSERT_EQ(port.Receive(1), Bytes{0x59});
  std::this_thread::sleep_for(1200ms);
  port.Send("r");
  EXPECT_EQ(port.Receive(1), Bytes{0x59});
  EXPECT_EQ(port.ReceiveAll(kPacketSize).size(), kPacketSize);
}

TEST_F(UnitSimTest, HangUpClosesTheLineInsteadOfThePacketAndExits) {
  Port port(Start({"--delay", kDelay, "--hangup"}));
  port.Send("r");
  ASSERT_EQ(port.Receive(1), Bytes{0x59});
  pollfd entry{port.fd(), POLLIN, 0};
  ASSERT_EQ(poll(&entry, 1, static_cast<int>(std::chrono::milliseconds(kPatience).count())), 1);
  EXPECT_TRUE(entry.revents & POLLHUP);
  std::uint8_t byte = 0;
  EXPECT_EQ(read(port.fd(), &byte, 1), 0) << "no packet byte, only the end of the line";
  EXPECT_EQ(simulator_->WaitExit(), 0);
}

TEST_F(UnitSimTest, FixedCodeIsSentEveryTime) {
  Port port(Start({"--delay", kDelay, "--code", "000fA5" + std::string(474, 'c')}));
  std::string expected = "000FA5" + std::string(474, 'C');
  EXPECT_EQ(CodeHex(Capture(port)), expected);
  EXPECT_EQ(CodeHex(Capture(port)), expected);
}

// Jitter that differs per capture, yet every capture decodes as the button pressed.
TEST_F(UnitSimTest, SignalIsCapturedAnewEachTime) {
  Port port(Start({"--delay", kDelay, "--signal", "nec:04,08", "--repeats", "1", "--jitter", "1", "--bit-order", "msb"}));
  const Bytes first = Capture(port);
  const Bytes second = Capture(port);
  EXPECT_NE(CodeHex(first), CodeHex(second));
  for (const Bytes& packet : {first, second}) {
    ASSERT_EQ(packet.size(), kPacketSize);
    const auto decoded = brisvel::signal::Decode(std::span(packet).subspan(1, kPacketSize - 2));
    EXPECT_EQ(decoded.order, brisvel::signal::BitOrder::MostSignificantFirst);
    ASSERT_EQ(decoded.frames.size(), 1u) << CodeHex(packet);
    EXPECT_EQ(decoded.frames[0].fields, (std::vector<std::uint8_t>{0x04, 0x08}));
    EXPECT_EQ(decoded.frames[0].repeats, 1);
  }
}

struct ReplyCase {
  const char* name;
  std::vector<std::string> args;
  std::optional<std::uint8_t> ack;  // nothing: no answer at all
  std::size_t packet_length;
  std::uint8_t start;
  std::uint8_t end;
};

// Keeps the test names that ctest lists readable.
void PrintTo(const ReplyCase& c, std::ostream* out) { *out << c.name; }

class ReplyTest : public UnitSimTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(ReplyTest, RepliesAsConfigured) {
  const ReplyCase& c = GetParam();
  std::vector<std::string> args{"--delay", kDelay};
  args.insert(args.end(), c.args.begin(), c.args.end());
  Port port(Start(args));
  port.Send("r");
  Bytes reply = port.ReceiveAll(1 + kPacketSize);
  ASSERT_EQ(reply.size(), (c.ack ? 1 : 0) + c.packet_length);
  if (c.ack) {
    EXPECT_EQ(reply.front(), *c.ack);
  }
  if (c.packet_length > 0) {
    EXPECT_EQ(reply[1], c.start);
  }
  if (c.packet_length == kPacketSize) {
    EXPECT_EQ(reply.back(), c.end);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Options, ReplyTest,
    ::testing::Values(ReplyCase{"Faithful", {}, 0x59, kPacketSize, 0x53, 0x45},
                      ReplyCase{"OtherAck", {"--ack", "0x4E"}, 0x4E, kPacketSize, 0x53, 0x45},
                      ReplyCase{"Silent", {"--silent"}, std::nullopt, 0, 0, 0},
                      ReplyCase{"OneByteShort", {"--short", "241"}, 0x59, 241, 0x53, 0},
                      ReplyCase{"NoPacket", {"--short", "0"}, 0x59, 0, 0, 0},
                      ReplyCase{"WrongStart", {"--start", "0x58"}, 0x59, kPacketSize, 0x58, 0x45},
                      ReplyCase{"WrongEnd", {"--end", "88"}, 0x59, kPacketSize, 0x53, 0x58}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(UnitSimTest, EndOfStdinEndsAnInteractiveRun) {
  Start({});
  simulator_->CloseStdin();
  EXPECT_EQ(simulator_->WaitExit(), 0);
}

TEST_F(UnitSimTest, EndOfStdinDoesNotEndAHeadlessRun) {
  Port port(Start({"--delay", kDelay}));
  simulator_->CloseStdin();
  Capture(port);
  EXPECT_EQ(simulator_->Stop(), 0);
}

class StopSignalTest : public UnitSimTest, public ::testing::WithParamInterface<int> {};

TEST_P(StopSignalTest, LinkLastsUntilTheSignal) {
  std::filesystem::path link = TempDir() / "ttyUNIT";
  std::filesystem::create_symlink("/nonexistent/old", link);
  std::string device = Start({"--delay", kDelay, "--link", link});
  EXPECT_EQ(std::filesystem::read_symlink(link), device);
  {
    Port port(link);
    Capture(port);
  }
  EXPECT_EQ(simulator_->Stop(GetParam()), 0);
  EXPECT_FALSE(std::filesystem::is_symlink(link));
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest, ::testing::Values(SIGINT, SIGTERM),
                         [](const auto& test) {
                           return std::string(test.param == SIGINT ? "Int" : "Term");
                         });

TEST_F(UnitSimTest, LinkDoesNotReplaceAFile) {
  std::filesystem::path file = TempDir() / "ttyUNIT";
  WriteFileBytes(file, "keep");
  Start({"--link", file});
  EXPECT_EQ(simulator_->WaitExit(), 1);
  EXPECT_TRUE(std::filesystem::is_regular_file(file));
}

TEST_F(UnitSimTest, HelpDescribesTheOptions) {
  Start({"--help"});
  EXPECT_EQ(simulator_->WaitExit(), 0);
  std::string usage = simulator_->Stdout();
  for (const char* option : {"--link", "--delay", "--code", "--ack", "--silent", "--short", "--start", "--end",
                             "--hangup", "--send-ack", "--output-ack", "--sent-ack", "--send-silent", "--signal",
                             "--repeats", "--jitter", "--noise", "--bit-order"}) {
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  }
}

struct BadCommandLine {
  const char* name;
  std::vector<std::string> args;
};

void PrintTo(const BadCommandLine& c, std::ostream* out) { *out << c.name; }

class BadCommandLineTest : public UnitSimTest,
                           public ::testing::WithParamInterface<BadCommandLine> {};

TEST_P(BadCommandLineTest, ExitsWithUsageError) {
  const std::vector<std::string>& args = GetParam().args;
  Start(args);
  EXPECT_EQ(simulator_->WaitExit(), 2);
  std::string message = simulator_->Stderr();
  EXPECT_NE(message.find(args.front()), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Options, BadCommandLineTest,
    ::testing::Values(BadCommandLine{"UnknownOption", {"--bogus"}},
                      BadCommandLine{"StrayArgument", {"extra"}},
                      BadCommandLine{"MissingValue", {"--delay"}},
                      BadCommandLine{"NegativeDelay", {"--delay", "-0.5"}},
                      BadCommandLine{"NanDelay", {"--delay", "nan"}},
                      BadCommandLine{"DelayWithUnit", {"--delay", "1s"}},
                      BadCommandLine{"DelayOverAnHour", {"--delay", "3601"}},
                      BadCommandLine{"AckOverAByte", {"--ack", "256"}},
                      BadCommandLine{"HexPrefixOnly", {"--ack", "0x"}},
                      BadCommandLine{"NegativeByte", {"--start", "-1"}},
                      BadCommandLine{"BadHexDigit", {"--end", "0x4G"}},
                      BadCommandLine{"ShortOverPacket", {"--short", "243"}},
                      BadCommandLine{"CodeTooShort", {"--code", std::string(478, '0')}},
                      BadCommandLine{"CodeNotHex", {"--code", std::string(479, '0') + "g"}},
                      BadCommandLine{"EmptyLink", {"--link", ""}},
                      BadCommandLine{"UnknownSendStep", {"--send-silent", "end"}},
                      BadCommandLine{"UnknownSignal", {"--signal", "rc5:01,02"}},
                      BadCommandLine{"SignalNotHex", {"--signal", "nec:0g,08"}},
                      BadCommandLine{"SignalAndCode", {"--signal", "nec:04,08", "--code", std::string(480, '0')}},
                      BadCommandLine{"JitterWithoutSignal", {"--jitter", "1"}},
                      BadCommandLine{"JitterOverTen", {"--jitter", "11", "--signal", "nec:04,08"}},
                      BadCommandLine{"NoiseOverTheCode", {"--noise", "1921", "--signal", "nec:04,08"}},
                      BadCommandLine{"UnknownBitOrder", {"--bit-order", "mid", "--signal", "nec:04,08"}}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
