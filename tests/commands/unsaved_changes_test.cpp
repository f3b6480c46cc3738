// The question before unsaved changes would be dropped, at close and at load, and its
// three answers.
#include <gtest/gtest.h>

#include "commands/registration.h"
#include "file_bytes.h"
#include "scratch_dir.h"
#include "scripted_user_interface.h"

namespace brisvel {
namespace {

using testing_support::ReadFileBytes;
namespace fs = std::filesystem;

class UnsavedChangesTest : public testing::Test {
 protected:
  void Capture3() {
    for (const char* name : {"a", "b", "c"}) commands.list().append({name, "00"});
  }
  fs::path settings() const { return dir / "brisvel.ini"; }

  testing_support::ScratchDir dir;
  testing_support::ScriptedUserInterface ui;
  Registration commands{{settings(), [] { return std::vector<SerialPortInfo>{}; }, 30000, dir / "state"}, ui};
};

TEST_F(UnsavedChangesTest, UnchangedListClosesWithoutAQuestion) {
  EXPECT_TRUE(commands.Close("COM3"));
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(ReadFileBytes(settings()), "[SETTING]\r\nCOM=COM3\r\n");
}

struct CloseCase {
  const char* label;
  UnsavedAnswer answer;
  std::optional<const char*> file;  // the save dialog's answer
  bool closes;
  bool saved;
};

class UnsavedAtCloseTest : public UnsavedChangesTest, public testing::WithParamInterface<CloseCase> {};

TEST_P(UnsavedAtCloseTest, AnswerDecides) {
  Capture3();
  ui.unsaved_answer = GetParam().answer;
  if (GetParam().file) ui.file_answers.push_back(dir / *GetParam().file);
  EXPECT_EQ(commands.Close("COM3"), GetParam().closes);
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(ui.questions[0], "保存されていない変更が 3 件あります。保存しますか？");
  EXPECT_EQ(fs::exists(settings()), GetParam().closes);  // written only when the close goes ahead
  EXPECT_EQ(fs::exists(dir / "codes.csv"), GetParam().saved);
  EXPECT_EQ(commands.list().size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UnsavedAtCloseTest,
    testing::Values(CloseCase{"save", UnsavedAnswer::Save, "codes.csv", true, true},
                    CloseCase{"save_then_cancel_the_file_dialog", UnsavedAnswer::Save, std::nullopt, false, false},
                    CloseCase{"save_that_fails", UnsavedAnswer::Save, "no/such/folder/codes.csv", false, false},
                    CloseCase{"discard", UnsavedAnswer::Discard, std::nullopt, true, false},
                    CloseCase{"cancel", UnsavedAnswer::Cancel, std::nullopt, false, false}),
    [](const auto& p) { return std::string(p.param.label); });

TEST_F(UnsavedChangesTest, LoadOverChangesAsksFirst) {
  const fs::path file = dir / "other.csv";
  testing_support::WriteFileBytes(file, "\"x\",\"01\"\r\n");
  Capture3();
  ui.unsaved_answer = UnsavedAnswer::Cancel;
  commands.Load();
  EXPECT_TRUE(ui.file_dialogs.empty());
  EXPECT_EQ(commands.list().size(), 3u);

  ui.unsaved_answer = UnsavedAnswer::Save;
  ui.file_answers = {dir / "mine.csv", file};
  commands.Load();
  EXPECT_EQ(ReadFileBytes(dir / "mine.csv"), "\"a\",\"00\"\r\n\"b\",\"00\"\r\n\"c\",\"00\"\r\n");
  ASSERT_EQ(commands.list().size(), 1u);
  EXPECT_FALSE(commands.list().modified());
  EXPECT_EQ(ui.caption, "other.csv - リモコンデータ登録");
}

}  // namespace
}  // namespace brisvel
