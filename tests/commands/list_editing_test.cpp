// Putting the list right: undo and redo of every kind of step, the unsaved state they
// leave, the row each command selects, copy and the repeated-code note.
#include <gtest/gtest.h>

#include "commands/registration.h"
#include "core/formats/sjis.h"
#include "scratch_dir.h"
#include "scripted_user_interface.h"

namespace brisvel {
namespace {

class ListEditingTest : public testing::Test {
 protected:
  // Rows "a", "b", "c" with codes "0A", "0B", "0C", as just loaded.
  void SetUp() override { list().replaceAll({{"a", "0A"}, {"b", "0B"}, {"c", "0C"}}); }

  std::string Names() {
    std::string names;
    for (const CodeEntry& entry : list().entries()) names += entry.name.empty() ? "_" : entry.name;
    return names;
  }
  CodeList& list() { return commands.list(); }

  testing_support::ScratchDir dir;
  testing_support::ScriptedUserInterface ui;
  Registration commands{{dir / "brisvel.ini", [] { return std::vector<SerialPortInfo>{}; }, 30000, dir / "state"}, ui};
};

// Each script is a run of commands; after each, the names in order and the unsaved steps.
TEST_F(ListEditingTest, UndoAndRedoRetraceEveryStep) {
  struct Step {
    char command;  // a(ppend d) D(elete row) U(p) W (down) r(ename row to x) z (undo) y (redo) s(ave mark)
    std::size_t row;
    std::string names;
    std::size_t unsaved;
  };
  const std::vector<std::pair<const char*, std::vector<Step>>> scripts = {
      {"capture, undo, redo", {{'a', 0, "abcd", 1}, {'z', 0, "abc", 0}, {'y', 0, "abcd", 1}}},
      {"delete and undo restore the row in place", {{'D', 1, "ac", 1}, {'z', 0, "abc", 0}, {'y', 0, "ac", 1}}},
      {"moves", {{'W', 0, "bac", 1}, {'W', 1, "bca", 2}, {'U', 2, "bac", 3}, {'z', 0, "bca", 2}, {'z', 0, "bac", 1}}},
      {"rename and back", {{'r', 2, "abx", 1}, {'z', 0, "abc", 0}, {'y', 0, "abx", 1}, {'y', 0, "abx", 1}}},
      {"undo past the saved state", {{'D', 0, "bc", 1}, {'s', 0, "bc", 0}, {'z', 0, "abc", 1}, {'z', 0, "abc", 1}}},
      {"a new step after undo drops redo but still counts the saved state",
       {{'D', 0, "bc", 1}, {'s', 0, "bc", 0}, {'z', 0, "abc", 1}, {'r', 1, "axc", 2}, {'y', 0, "axc", 2},
        {'z', 0, "abc", 1}}},
  };
  for (const auto& [label, steps] : scripts) {
    SCOPED_TRACE(label);
    SetUp();
    for (const Step& step : steps) {
      switch (step.command) {
        case 'a': list().append({"d", "0D"}); break;
        case 'D': commands.Delete(step.row); break;
        case 'U': commands.MoveUp(step.row); break;
        case 'W': commands.MoveDown(step.row); break;
        case 'r': commands.Rename(step.row, "x"); break;
        case 'z': commands.Undo(); break;
        case 'y': commands.Redo(); break;
        case 's': list().markSaved(); break;
      }
      EXPECT_EQ(Names(), step.names) << step.command;
      EXPECT_EQ(list().unsavedSteps(), step.unsaved) << step.command;
    }
  }
}

TEST_F(ListEditingTest, CommandsSelectTheRowTheyLeave) {
  EXPECT_EQ(commands.MoveDown(0), 1u);
  EXPECT_EQ(commands.MoveDown(2), 2u);  // already last: stays
  EXPECT_EQ(commands.MoveUp(0), 0u);
  EXPECT_EQ(commands.Delete(2), 1u);  // the last row goes: its neighbour above
  EXPECT_EQ(commands.Undo(), 2u);     // back where it was
  EXPECT_EQ(commands.Delete(7), std::nullopt);
  list().replaceAll({{"only", "00"}});
  EXPECT_EQ(commands.Delete(0), std::nullopt);
  EXPECT_EQ(commands.Undo(), 0u);
}

TEST_F(ListEditingTest, CaptionShowsTheFileAndUnsavedChanges) {
  EXPECT_EQ(commands.caption(), "リモコンデータ登録");
  commands.Delete(0);
  EXPECT_EQ(ui.caption, "*リモコンデータ登録");
  commands.Undo();
  EXPECT_EQ(ui.caption, "リモコンデータ登録");
}

TEST_F(ListEditingTest, CopyPutsTheDataTextOnTheClipboard) {
  commands.CopyData(1);
  EXPECT_EQ(ui.clipboard, "0B");
  list().append({"no data", std::nullopt});
  commands.CopyData(3);
  EXPECT_EQ(ui.clipboard, "0B");
}

TEST_F(ListEditingTest, RepeatedCodeNamesTheOtherRow) {
  list().append({*sjis::FromUtf8("テレビ"), "0B"});
  list().append({"d", "0C"});
  list().append({"e", "0B"});
  EXPECT_EQ(list().repeatedCodes(), (std::vector<std::vector<size_t>>{{1, 3, 5}, {2, 4}}));
  commands.Undo();
  commands.Undo();
  EXPECT_EQ(commands.repeatedCodeNote(3), "行 2「b」と同じコードです");
  EXPECT_EQ(commands.repeatedCodeNote(1), "行 4「テレビ」と同じコードです");
  EXPECT_EQ(commands.repeatedCodeNote(0), std::nullopt);
  commands.Delete(1);
  EXPECT_EQ(commands.repeatedCodeNote(2), std::nullopt);
  commands.Undo();
  EXPECT_TRUE(list().repeated(1));
}

TEST(CapturedCodeTest, IsExactly480HexadecimalDigits) {
  const std::string code = std::string(240, 'a') + std::string(240, 'F');
  for (const auto& [data, captured] : std::vector<std::pair<std::string, bool>>{
           {code, true}, {code.substr(1), false}, {code + "0", false}, {code.substr(1) + "G", false},
           {code.substr(1) + " ", false}, {"", false}}) {
    EXPECT_EQ(IsCapturedCode(data), captured) << data;
  }
}

}  // namespace
}  // namespace brisvel
