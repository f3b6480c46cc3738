// Send, through the commands, against the simulated unit on a pseudo-terminal: only the user
// is scripted; the receive dialog is a notification window the test pumps.
#include <gtest/gtest.h>

#include "commands/registration.h"
#include "core/formats/sjis.h"
#include "file_bytes.h"
#include "open_files.h"
#include "scratch_dir.h"
#include "scripted_user_interface.h"
#include "unit_sim_process.h"

namespace brisvel {
namespace {

using namespace testing_support;

// Lower case digits are a code as well; the unit gets the bytes.
const std::string kCode = "000fA5" + std::string(472, 'c') + "7E";
const std::string kCodeBytes = "000FA5" + std::string(472, 'C') + "7E";

struct SendCase {
  const char* label;
  std::vector<std::string> unit_args;
  int output;
  SendOutcome::Ended ended;
  std::optional<unit::Failure> failed_step;
  std::string message;  // the error's first line, or the confirmation
  const char* port = nullptr;  // the unit's when none
};

void PrintTo(const SendCase& c, std::ostream* out) { *out << c.label; }

class SendCommandTest : public testing::TestWithParam<SendCase> {
 protected:
  void Start(const std::vector<std::string>& unit_args) {
    unit = std::make_unique<Simulator>(unit_args);
    device = unit->DevicePath();
    CommandEnvironment environment{dir / "brisvel.ini", [] { return std::vector<SerialPortInfo>{}; }, 2000, dir / "state"};
    environment.answer_timeout_ms = 400;
    commands = std::make_unique<Registration>(environment, ui);
    commands->list().append({*sjis::FromUtf8("テレビ 電源"), kCode});
    threads_before = UnnamedThreadCount();
  }

  ScratchDir dir;
  ScriptedUserInterface ui;
  std::unique_ptr<Simulator> unit;
  std::string device;
  std::unique_ptr<Registration> commands;
  std::size_t threads_before = 0;
};

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST_P(SendCommandTest, EndsAsTheUnitAnswersAndReleasesThePort) {
  const SendCase& c = GetParam();
  Start(c.unit_args);
  const auto files_before = OpenFiles();
  const SendOutcome outcome = commands->Send(0, c.output, c.port ? c.port : device);
  EXPECT_EQ(outcome.ended, c.ended);
  EXPECT_EQ(outcome.failed_step, c.failed_step);
  if (c.ended == SendOutcome::Ended::Sent) {
    EXPECT_TRUE(ui.errors.empty()) << ui.errors.front();
    EXPECT_EQ(ui.sent, (std::vector<std::pair<std::size_t, std::string>>{{0, c.message}}));
    EXPECT_EQ(commands->lastOutput(), c.output);
#ifndef _WIN32
    EXPECT_EQ(unit->StdoutLine(), "output " + std::to_string(c.output) + " " + kCodeBytes);
#endif
  } else {
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(FirstLine(ui.errors[0]), c.message);
    EXPECT_TRUE(ui.sent.empty());
    EXPECT_EQ(commands->lastOutput(), kFirstOutput);
  }
  EXPECT_EQ(OpenFiles(), files_before);
  ExpectPortReleased(device, threads_before);
}

constexpr auto kSent = SendOutcome::Ended::Sent;
constexpr auto kFailed = SendOutcome::Ended::Failed;

INSTANTIATE_TEST_SUITE_P(
    Unit, SendCommandTest,
    testing::Values(
        SendCase{"output_1", {}, 1, kSent, {}, "送信しました（出力 1）"},
        SendCase{"output_2", {}, 2, kSent, {}, "送信しました（出力 2）"},
        SendCase{"output_3", {}, 3, kSent, {}, "送信しました（出力 3）"},
        SendCase{"output_4", {}, 4, kSent, {}, "送信しました（出力 4）"},
        SendCase{"done_said_with_Y", {"--sent-ack", "0x59"}, 2, kSent, {}, "送信しました（出力 2）"},
        SendCase{"start_not_Y", {"--send-ack", "0x4E"}, 1, kFailed, unit::Failure::NotAcknowledged, "error -- not Y($59)"},
        SendCase{"output_not_Y", {"--output-ack", "0x45"}, 1, kFailed, unit::Failure::NotAcknowledged, "error -- not Y($59)"},
        SendCase{"code_not_E", {"--sent-ack", "0x58"}, 1, kFailed, unit::Failure::NotCodeEnd, "error -- not E($45)"},
        SendCase{"silent_at_start", {"--send-silent", "start"}, 1, kFailed, unit::Failure::Read, "error -- read"},
        SendCase{"silent_at_output", {"--send-silent", "output"}, 1, kFailed, unit::Failure::Read, "error -- read"},
        SendCase{"silent_at_code", {"--send-silent", "code"}, 1, kFailed, unit::Failure::Read, "error -- read"},
        SendCase{"no_such_port", {}, 1, kFailed, unit::Failure::Open, "error -- open", "brisvel-no-such-port"}),
    [](const auto& p) { return std::string(p.param.label); });

class SendTest : public SendCommandTest {};

// Refused before the port opens: a unit that would answer wrongly shows no exchange error.
TEST_F(SendTest, RowWithoutCodeOrPortIsNotSentAndSaysWhichRow) {
  Start({"--send-ack", "0x4E"});
  commands->list().append({"no data", std::nullopt});
  commands->list().append({"short", kCode.substr(1)});
  commands->list().append({"not hex", "G" + kCode.substr(1)});
  for (std::size_t row = 1; row <= 3; ++row) {
    EXPECT_EQ(commands->Send(row, 1, device).ended, SendOutcome::Ended::NotStarted);
    ASSERT_EQ(ui.errors.size(), row);
    EXPECT_EQ(ui.errors.back().rfind("行 " + std::to_string(row + 1) + "「" + commands->list().at(row).name + "」", 0), 0u)
        << ui.errors.back();
  }
  EXPECT_EQ(commands->Send(0, 1, "").ended, SendOutcome::Ended::NotStarted);
  EXPECT_EQ(commands->Send(0, kLastOutput + 1, device).ended, SendOutcome::Ended::NotStarted);
  EXPECT_EQ(ui.errors.size(), 3u);
  EXPECT_TRUE(ui.sent.empty());
}

// The output last used is kept beside the port, which stays as it was written.
TEST_F(SendTest, OutputLastUsedIsRememberedAcrossRuns) {
  Start({});
  commands->Start();
  EXPECT_EQ(commands->lastOutput(), 1);
  ASSERT_EQ(commands->Send(0, 3, device).ended, SendOutcome::Ended::Sent);
  ui.unsaved_answer = UnsavedAnswer::Discard;
  ASSERT_TRUE(commands->Close("/dev/ttyUSB0"));
  EXPECT_EQ(ReadFileBytes(dir / "brisvel.ini"), "[SETTING]\r\nCOM=/dev/ttyUSB0\r\nOUTPUT=3\r\n");
  for (const auto& [written, read] : {std::pair{"3", 3}, {"4", 4}, {"5", 1}, {"0", 1}, {"2x", 1}, {"", 1}}) {
    WriteFileBytes(dir / "brisvel.ini", std::string("[SETTING]\r\nOUTPUT=") + written + "\r\n");
    Registration again({dir / "brisvel.ini", [] { return std::vector<SerialPortInfo>{}; }, 2000, dir / "state"}, ui);
    again.Start();
    EXPECT_EQ(again.lastOutput(), read) << written;
  }
}

}  // namespace
}  // namespace brisvel
