// Add, through the commands, against the simulated unit on a pseudo-terminal: only the
// user is scripted; the receive dialog is a notification window the test pumps.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "commands/registration.h"
#include "core/formats/sjis.h"
#include "open_files.h"
#include "scratch_dir.h"
#include "scripted_user_interface.h"
#include "thread_count.h"
#include "unit_sim_process.h"

namespace brisvel {
namespace {

using namespace testing_support;

class CaptureCommandTest : public testing::Test {
 protected:
  void Start(std::vector<std::string> unit_args, int timeout_ms = 2000) {
    unit_args.insert(unit_args.begin(), {"--delay", "0.1"});
    unit = std::make_unique<Simulator>(unit_args);
    device = unit->DevicePath();
    commands = std::make_unique<Registration>(
        CommandEnvironment{dir / "brisvel.ini", [] { return std::vector<SerialPortInfo>{}; }, timeout_ms, dir / "state"}, ui);
    threads_before = UnnamedThreadCount();
  }

  void Add(const std::optional<std::string>& name) {
    ui.text_answers.push_back(name);
    commands->Add(device);
  }
  const CodeList& list() { return commands->list(); }

  // After every Add the port is free again and no monitor thread is left behind.
  void ExpectPortReleased() { testing_support::ExpectPortReleased(device, threads_before); }

  ScratchDir dir;
  ScriptedUserInterface ui;
  std::unique_ptr<Simulator> unit;
  std::string device;
  std::unique_ptr<Registration> commands;
  size_t threads_before = 0;
};

TEST_F(CaptureCommandTest, CapturedCodeIsAppendedUnderItsName) {
  const std::string code = "000FA5" + std::string(474, '7');
  Start({"--code", code});
  Add("テレビ 電源");
  EXPECT_TRUE(ui.errors.empty()) << ui.errors.front();
  ASSERT_EQ(list().size(), 1u);
  EXPECT_EQ(list().at(0).name, *sjis::FromUtf8("テレビ 電源"));
  EXPECT_EQ(list().at(0).data, code);
  EXPECT_TRUE(list().modified());
  ASSERT_EQ(ui.asked.size(), 1u);
  EXPECT_EQ(ui.asked[0].caption, "リモコンデータ登録");
  EXPECT_EQ(ui.asked[0].prompt, "データ名を入力");
  EXPECT_EQ(ui.asked[0].max_bytes, 255);
  ExpectPortReleased();
}

TEST_F(CaptureCommandTest, SameNameTwiceGivesTwoRowsInOrder) {
  Start({});
  Add("power");
  Add("power");
  ASSERT_EQ(list().size(), 2u);
  EXPECT_EQ(list().at(0).name, "power");
  EXPECT_EQ(list().at(1).name, "power");
  EXPECT_EQ(list().at(0).data.value_or("").size(), 480u);
  EXPECT_NE(list().at(0).data, list().at(1).data);  // the unit sends a new code each time
  ExpectPortReleased();
}

struct FailureCase {
  const char* label;
  std::vector<std::string> unit_args;
  std::string message;
  AddOutcome outcome;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.label; }

constexpr auto kFailed = AddOutcome::Ended::Failed;

class CaptureCommandFailureTest : public CaptureCommandTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(CaptureCommandFailureTest, ShowsItsTextOnceAndListsNothing) {
  Start(GetParam().unit_args, 500);
  ui.packet_patience = std::chrono::milliseconds(600);
  ui.text_answers.push_back("name");
  const AddOutcome outcome = commands->Add(device);
  EXPECT_EQ(outcome.ended, GetParam().outcome.ended);
  EXPECT_EQ(outcome.failed_step, GetParam().outcome.failed_step);
  EXPECT_EQ(ui.errors, std::vector<std::string>{GetParam().message});
  EXPECT_EQ(list().size(), 0u);
  EXPECT_FALSE(list().modified());
  ExpectPortReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Unit, CaptureCommandFailureTest,
    testing::Values(FailureCase{"wrong_ack", {"--ack", "0x4E"}, "error -- not Y($59)", {kFailed, unit::Failure::NotAcknowledged}},
                    FailureCase{"wrong_start", {"--start", "0x58"}, "error -- not S($53)", {kFailed, unit::Failure::NotPacketStart}},
                    FailureCase{"wrong_end", {"--end", "0x58"}, "error -- not E($45)", {kFailed, unit::Failure::NotCodeEnd}},
                    FailureCase{"silent_unit", {"--silent"}, "error -- read", {kFailed, unit::Failure::Read}},
                    FailureCase{"short_packet_then_cancel", {"--short", "241"}, "cancel", {AddOutcome::Ended::Cancelled, std::nullopt}}),
    [](const auto& p) { return std::string(p.param.label); });

std::string MessageFirstLine(const std::string& message) { return message.substr(0, message.find('\n')); }

// A bare name is a device's (in /dev, or \\.\ on Windows); the open's failure keeps its
// text as the first line and says below it which device is missing.
TEST_F(CaptureCommandTest, MissingDeviceFailsToOpenAndSaysWhich) {
  Start({});
  device = "brisvel-no-such-port";
  Add("name");
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(MessageFirstLine(ui.errors[0]), "error -- open");
  EXPECT_NE(ui.errors[0].find("\n" + ShownDeviceName(DevicePathOf(device)) + " "), std::string::npos) << ui.errors[0];
  EXPECT_EQ(list().size(), 0u);
}

// The adapter is pulled while the dialog waits for the code: the wait ends at once with a
// read error that says so, instead of waiting for a packet that cannot come.
TEST_F(CaptureCommandTest, UnpluggedAdapterEndsTheWaitAndReleasesThePort) {
  Start({"--hangup"});
  const auto files_before = OpenFiles();
  ui.packet_patience = std::chrono::milliseconds(3000);  // a wait that missed the hang-up would cancel
  Add("name");
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(MessageFirstLine(ui.errors[0]), "error -- read");
  EXPECT_NE(ui.errors[0].find("\n" + ShownDeviceName(DevicePathOf(device)) + " "), std::string::npos) << ui.errors[0];
  EXPECT_EQ(list().size(), 0u);
  EXPECT_FALSE(list().modified());
  EXPECT_EQ(UnnamedThreadCountSettledAt(threads_before), threads_before);
  EXPECT_EQ(OpenFiles(), files_before);
}

TEST_F(CaptureCommandTest, NothingHappensWithoutPortOrName) {
  Start({"--ack", "0x4E"});  // any exchange would show an error
  ui.text_answers.push_back("name");
  commands->Add("");
  EXPECT_TRUE(ui.asked.empty());
  ui.text_answers.clear();
  Add(std::nullopt);  // cancelled
  Add("");
  EXPECT_TRUE(ui.errors.empty());
  EXPECT_EQ(list().size(), 0u);
  ExpectPortReleased();
}

TEST_F(CaptureCommandTest, NameShiftJisCannotHoldIsRefusedBeforeThePortOpens) {
  Start({"--ack", "0x4E"});
  Add("TV 📺");
  ASSERT_EQ(ui.errors.size(), 1u);
  EXPECT_EQ(ui.errors[0], NotShiftJisMessage("TV 📺"));
  EXPECT_EQ(list().size(), 0u);
}

}  // namespace
}  // namespace brisvel
