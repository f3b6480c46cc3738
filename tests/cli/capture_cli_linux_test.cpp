// brisvelremo-cli capture where the simulated unit's own log or keyboard is needed, which
// only the Linux simulator gives: two captures at once, and cancelling before the unit answers.
#include <signal.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "cli_process.h"
#include "core/formats/code_list_file.h"
#include "file_bytes.h"
#include "scratch_dir.h"
#include "unit_sim_process.h"

namespace brisvel {
namespace {

using namespace testing_support;

constexpr char kPrompt[] = "PC-OP-RS1にデータを送信してください";

std::vector<std::string> Capture(const std::string& device, const std::string& name, const std::filesystem::path& file) {
  return {"capture", "--port", device, "--name", name, "--file", file.string()};
}

// Both captures read the file before either code arrives; each then adds its row to the
// file as the other left it, and says which row it got.
TEST(CaptureCliLinuxTest, TwoCapturesIntoOneFileBothLand) {
  ScratchDir dir;
  const auto file = dir / "codes.csv";
  SaveCodeListFile(file, std::vector<CodeEntry>{{"one", std::string(480, '1')}, {"two", std::string(480, '2')}});
  Simulator first_unit({}), second_unit({});  // each sends its code when Enter is pressed
  CliProcess first(Capture(first_unit.DevicePath(), "first", file));
  CliProcess second(Capture(second_unit.DevicePath(), "second", file));
  ASSERT_TRUE(first.LogShows(kPrompt));
  ASSERT_TRUE(second.LogShows(kPrompt));
  first_unit.PressEnter();
  second_unit.PressEnter();

  EXPECT_EQ(first.WaitExit(), 0);
  EXPECT_EQ(second.WaitExit(), 0);
  std::set<std::string> said;
  for (CliProcess* cli : {&first, &second}) {
    const std::string err = cli->Stderr();
    said.insert(err.substr(err.find("added as row")));
  }
  EXPECT_EQ(said, (std::set<std::string>{"added as row 3 of " + file.string() + "\n",
                                         "added as row 4 of " + file.string() + "\n"}));
  const auto loaded = LoadCodeListFile(file);
  ASSERT_EQ(loaded.entries.size(), 4u);
  EXPECT_EQ(std::set<std::string>({loaded.entries[2].name, loaded.entries[3].name}),
            (std::set<std::string>{"first", "second"}));
}

// The unit has not answered the start byte: Ctrl-C or SIGTERM ends the wait there and then.
TEST(CaptureCliLinuxTest, InterruptionBeforeTheUnitAnswersCancels) {
  for (const int signal_number : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal_number);
    ScratchDir dir;
    Simulator unit({"--silent"});
    CliProcess cli(Capture(unit.DevicePath(), "power", dir / "codes.csv"));
    ASSERT_TRUE(unit.LogShows("staying silent"));
    EXPECT_EQ(cli.Stop(signal_number), 130);
    EXPECT_EQ(cli.Stderr(), "cancel\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "codes.csv"));
  }
}

// What saving would refuse is refused before the unit is asked, so no capture is lost.
TEST(CaptureCliLinuxTest, FileThatCannotBeSavedIsRefusedBeforeTheCapture) {
  ScratchDir dir;
  std::filesystem::create_directory(dir / "folder");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0666), 0);
  const std::pair<std::filesystem::path, std::string> cases[] = {
      {dir / "missing" / "codes.csv", "No such file or directory"},
      {dir / "folder", "Is a directory"},
      {dir / "fifo", "Not a regular file"},
  };
  Simulator unit({"--ack", "0x4E"});  // a capture would end in "error -- not Y($59)"
  const std::string device = unit.DevicePath();
  for (const auto& [file, reason] : cases) {
    SCOPED_TRACE(file);
    const CliResult cli = RunCli(Capture(device, "power", file));
    EXPECT_EQ(cli.status, 2);
    EXPECT_EQ(cli.err, "ファイル \"" + file.string() + "\". " + reason + " を作成できません\n" + file.string() +
                           " was left as it was\n");
  }
  EXPECT_TRUE(std::filesystem::is_fifo(dir / "fifo"));
}

}  // namespace
}  // namespace brisvel
