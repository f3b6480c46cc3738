// Save and Load through the commands, on real files, with the file dialogs scripted.
#include <gtest/gtest.h>

#include <fstream>

#include "commands/registration.h"
#include "file_bytes.h"
#include "scratch_dir.h"
#include "scripted_user_interface.h"

namespace brisvel {
namespace {

using testing_support::ReadFileBytes;
namespace fs = std::filesystem;

class CodeListCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    previous_dir = fs::current_path();
    fs::current_path(dir.path());
    fs::create_directory("remocon");
    ui.unsaved_answer = UnsavedAnswer::Discard;  // as if the question were not there
  }
  void TearDown() override { fs::current_path(previous_dir); }

  void Save(const fs::path& path) {
    ui.file_answers.push_back(path);
    commands.Save();
  }
  void Load(const fs::path& path) {
    ui.file_answers.push_back(path);
    commands.Load();
  }
  CodeList& list() { return commands.list(); }

  testing_support::ScratchDir dir;
  fs::path previous_dir;
  testing_support::ScriptedUserInterface ui;
  Registration commands{{dir / "brisvel.ini", [] { return std::vector<SerialPortInfo>{}; }, 30000, dir / "state"}, ui};
};

TEST_F(CodeListCommandTest, SaveThenLoadRestoresTheList) {
  list().append({"a, b", std::string(480, 'F')});
  list().append({"\x83\x5c\x83\x7c", "00"});
  const fs::path file = dir / "remocon/codes.csv";
  Save(file);
  EXPECT_EQ(ReadFileBytes(file), "\"a, b\",\"" + std::string(480, 'F') + "\"\r\n\"\x83\x5c\x83\x7c\",\"00\"\r\n");
  const auto saved = list().entries();
  list().replaceAll({});
  Load(file);
  EXPECT_TRUE(ui.default_errors.empty());
  EXPECT_EQ(list().entries(), saved);
}

TEST_F(CodeListCommandTest, DialogsStartInRemoconThenOfferTheLastFile) {
  fs::create_directory(dir / "elsewhere");
  Save(dir / "elsewhere/one.csv");
  Save(dir / "elsewhere/two.csv");
  Load(dir / "elsewhere/one.csv");
  ASSERT_EQ(ui.file_dialogs.size(), 3u);
  EXPECT_EQ(ui.file_dialogs[0].folder, dir / "remocon");
  EXPECT_EQ(ui.file_dialogs[0].offered, std::nullopt);
  EXPECT_EQ(ui.file_dialogs[1].folder, dir / "elsewhere");
  EXPECT_EQ(ui.file_dialogs[1].offered, dir / "elsewhere/one.csv");
  EXPECT_EQ(ui.file_dialogs[2].kind, FileDialogKind::Open);
  EXPECT_EQ(ui.file_dialogs[2].folder, dir / "remocon");  // the open dialog's first use
}

TEST_F(CodeListCommandTest, CancelledDialogsChangeNothing) {
  list().append({"kept", "00"});
  commands.Save();
  commands.Load();
  EXPECT_EQ(ui.file_dialogs.size(), 2u);
  EXPECT_EQ(list().size(), 1u);
  EXPECT_TRUE(fs::is_empty(dir / "remocon"));
}

TEST_F(CodeListCommandTest, MissingFileIsReportedAndListKept) {
  list().append({"kept", "00"});
  const fs::path missing = dir / "remocon/none.csv";
  Load(missing);
  ASSERT_EQ(ui.default_errors.size(), 1u);
  EXPECT_EQ(ui.default_errors[0].rfind("ファイル \"" + missing.string() + "\". ", 0), 0u) << ui.default_errors[0];
  EXPECT_TRUE(ui.default_errors[0].ends_with(" は開けません."));
  EXPECT_EQ(list().size(), 1u);
}

TEST_F(CodeListCommandTest, LoadThatRunsOutKeepsCompleteRowsAndCanSaveAgain) {
  const fs::path file = dir / "remocon/blank.csv";
  std::ofstream(file, std::ios::binary) << "\"a\",\"1\"\r\n\r\n\"b\",\"2\"\r\n";
  list().append({"replaced", "00"});
  Load(file);
  EXPECT_EQ(ui.default_errors, std::vector<std::string>{"リストのインデックスが範囲を超えています (4)"});
  ASSERT_EQ(list().size(), 2u);
  EXPECT_EQ(list().at(1).name, "b");
  Save(dir / "remocon/again.csv");
  EXPECT_EQ(ui.default_errors.size(), 1u);
  EXPECT_EQ(ReadFileBytes(dir / "remocon/again.csv"), "\"a\",\"1\"\r\n\"b\",\"2\"\r\n");
}

TEST_F(CodeListCommandTest, FailedSaveLeavesTheOldFileAndTheListUnsaved) {
  const fs::path file = dir / "remocon/codes.csv";
  std::ofstream(file, std::ios::binary) << "old";
  list().append({"no data", std::nullopt});
  Save(file);
  EXPECT_EQ(ui.default_errors, std::vector<std::string>{"リストのインデックスが範囲を超えています (0)"});
  EXPECT_EQ(ReadFileBytes(file), "old");
  EXPECT_TRUE(list().modified());
}

TEST_F(CodeListCommandTest, SaveAndLoadMakeTheListMatchTheFile) {
  list().append({"a", "00"});
  EXPECT_TRUE(list().modified());
  Save(dir / "remocon/a.csv");
  EXPECT_FALSE(list().modified());
  commands.Rename(0, "b");
  EXPECT_TRUE(list().modified());
  Load(dir / "remocon/a.csv");
  EXPECT_FALSE(list().modified());
}

}  // namespace
}  // namespace brisvel
