// brisvelremo-cli capture against the simulated unit on a pseudo-terminal: the file it
// writes, and how each way of failing ends the program.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli_process.h"
#include "commands/registration.h"
#include "core/formats/code_list_file.h"
#include "core/formats/sjis.h"
#include "file_bytes.h"
#include "scratch_dir.h"
#include "scripted_user_interface.h"
#include "unit_sim_process.h"

namespace brisvel {
namespace {

using namespace testing_support;

constexpr char kPrompt[] = "PC-OP-RS1にデータを送信してください";

// A list the user already has: a kanji name, and a name that needs its quotes doubled.
void WriteExistingList(const std::filesystem::path& file) {
  SaveCodeListFile(file, std::vector<CodeEntry>{{*sjis::FromUtf8("エアコン 冷房"), std::string(480, 'A')},
                                                {"say \"hi\", twice", std::string(480, '0')}});
}

class CaptureCliTest : public testing::Test {
 protected:
  void StartUnit(std::vector<std::string> args) {
    unit = std::make_unique<Simulator>(args);
    device = unit->DevicePath();
  }
  std::vector<std::string> Capture(const std::string& name) {
    return {"capture", "--port", device, "--name", name, "--file", file.string()};
  }
  // Nothing but the code list in the folder: no temporary file left behind.
  void ExpectOnlyTheList() {
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      EXPECT_EQ(entry.path(), file) << "left behind";
    }
  }
  // Another program can have the port now.
  void ExpectPortFree() {
    PumpedReceiveDialog probe(std::chrono::milliseconds(0));
    serial::Trs232c port(probe.notificationWindow());
    port.portname = device;
    EXPECT_TRUE(port.Open());
  }

  ScratchDir dir;
  std::filesystem::path file = dir / "codes.csv";
  std::unique_ptr<Simulator> unit;
  std::string device;
};

// The window's Add and Save, on a copy of the same starting file, give the same bytes.
std::string WhatTheWindowWrites(const std::filesystem::path& start, bool exists, const std::string& device,
                                const std::string& utf8_name) {
  ScriptedUserInterface ui;
  Registration window({{}, [] { return std::vector<SerialPortInfo>{}; }, 30000, {}}, ui);
  if (exists) {
    ui.file_answers.push_back(start);
    window.Load();
  }
  ui.text_answers.push_back(utf8_name);
  window.Add(device);
  const std::filesystem::path saved = start.parent_path() / "window.csv";
  ui.file_answers.push_back(saved);
  window.Save();
  EXPECT_TRUE(ui.errors.empty() && ui.default_errors.empty());
  return ReadFileBytes(saved);
}

TEST_F(CaptureCliTest, AppendsTheSameBytesAsTheWindow) {
  const std::string code = "000FA5" + std::string(474, 'C');
  StartUnit({"--delay", "0.1", "--code", code});
  for (const bool exists : {false, true}) {
    SCOPED_TRACE(exists ? "existing file" : "new file");
    std::filesystem::remove(file);
    if (exists) WriteExistingList(file);
    const std::string name = "テレビ 電源 ｱｲ";
    const std::string expected = WhatTheWindowWrites(file, exists, device, name);

    const CliResult cli = RunCli(Capture(name));
    EXPECT_EQ(cli.status, 0) << cli.err;
    EXPECT_NE(cli.err.find(kPrompt), std::string::npos) << cli.err;
    EXPECT_EQ(ReadFileBytes(file), expected);
    std::filesystem::remove(dir / "window.csv");
  }
  ExpectOnlyTheList();
}

TEST_F(CaptureCliTest, CtrlCWhileWaitingCancelsAndLeavesTheFileAlone) {
  StartUnit({});  // acknowledges, then waits for Enter that never comes
  WriteExistingList(file);
  const std::string before = ReadFileBytes(file);
  CliProcess cli(Capture("power"));
  ASSERT_TRUE(cli.LogShows(kPrompt));
  const auto status = cli.Interrupt();
  const std::string err = cli.Stderr();
  EXPECT_EQ(status, 130);
  EXPECT_NE(err.find("\ncancel\n"), std::string::npos) << err;  // said by the program, not the signal
  EXPECT_EQ(ReadFileBytes(file), before);
  ExpectOnlyTheList();
  ExpectPortFree();
}

struct FailureCase {
  const char* label;
  std::vector<std::string> unit_args;
  bool missing_port;
  std::string message;
  int status;
};

void PrintTo(const FailureCase& c, std::ostream* out) { *out << c.label; }

class CaptureCliFailureTest : public CaptureCliTest, public testing::WithParamInterface<FailureCase> {};

// The unit's 30-second reply time is the window's, so the silent unit takes that long.
TEST_P(CaptureCliFailureTest, SaysWhichStepFailedAndWritesNothing) {
  StartUnit(GetParam().unit_args);
  if (GetParam().missing_port) device = (dir / "no-such-port").string();
  const CliResult cli = RunCli(Capture("name"), std::chrono::seconds(45));
  EXPECT_EQ(cli.status, GetParam().status);
  // The window's text first; below it, where the tool can tell, why and what to do.
  EXPECT_EQ(cli.err.substr(0, GetParam().message.size() + 1), GetParam().message + "\n") << cli.err;
  EXPECT_FALSE(std::filesystem::exists(file));
}

INSTANTIATE_TEST_SUITE_P(
    Unit, CaptureCliFailureTest,
    testing::Values(FailureCase{"missing_port", {"--delay", "0.1"}, true, "error -- open", 3},
                    FailureCase{"silent_unit", {"--silent"}, false, "error -- read", 5},
                    FailureCase{"wrong_ack", {"--ack", "0x4E"}, false, "error -- not Y($59)", 6},
                    FailureCase{"wrong_end", {"--delay", "0.1", "--end", "0x58"}, false,
                                std::string(kPrompt) + " (Ctrl+C で中止)\nerror -- not E($45)", 8}),
    [](const auto& p) { return std::string(p.param.label); });

TEST_F(CaptureCliTest, NameShiftJisCannotHoldIsRefusedBeforeThePortOpens) {
  StartUnit({"--ack", "0x4E"});  // any exchange would say so
  const CliResult cli = RunCli(Capture("TV 📺"));
  EXPECT_EQ(cli.status, 1);
  EXPECT_EQ(cli.err, NotShiftJisMessage("TV 📺") + "\n");
  EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(CaptureCliTest, FileThatDoesNotLoadWholeIsNotRewritten) {
  StartUnit({"--ack", "0x4E"});
  const std::string partial = "\"a\",\"" + std::string(480, 'A') + "\"\r\n\"b\"\r\n";
  std::ofstream(file, std::ios::binary) << partial;
  const CliResult cli = RunCli(Capture("name"));
  EXPECT_EQ(cli.status, 2);
  EXPECT_NE(cli.err.find("リストのインデックスが範囲を超えています (3)"), std::string::npos) << cli.err;
  EXPECT_EQ(ReadFileBytes(file), partial);
}

// A NUL byte ends the text every reader sees. The window loads the rows before it and says
// from which line on nothing was read; capture and export refuse the file, naming the line.
TEST_F(CaptureCliTest, NulByteIsToldByTheWindowAndRefusedByCaptureAndExport) {
  StartUnit({"--ack", "0x4E"});  // a capture would end in "error -- not Y($59)"
  const std::string row = "\"a\",\"" + std::string(480, 'A') + "\"\r\n";
  const std::string bytes = row + '\0' + row + row;
  std::ofstream(file, std::ios::binary) << bytes;
  const std::string unread = "2 lines cannot be read, from line 2 on: a NUL byte ends the text there\n";

  ScriptedUserInterface ui;
  Registration window({{}, [] { return std::vector<SerialPortInfo>{}; }, 30000, {}}, ui);
  ui.file_answers.push_back(file);
  window.Load();
  EXPECT_EQ(window.list().size(), 1u);
  ASSERT_EQ(ui.default_errors.size(), 1u);
  EXPECT_NE(ui.default_errors[0].find("NUL 文字があるため、2 行目から先は読み込めませんでした"), std::string::npos);

  CliResult cli = RunCli(Capture("name"));
  EXPECT_EQ(cli.status, 2);
  EXPECT_EQ(cli.err, unread + file.string() + " was left as it was\n");
  cli = RunCli({"export", file.string(), "--format", "csv"});
  EXPECT_EQ(cli.status, 1);
  EXPECT_EQ(cli.err, unread);
  EXPECT_EQ(cli.out, "");
  EXPECT_EQ(ReadFileBytes(file), bytes);
}

}  // namespace
}  // namespace brisvel
