// Recovery after a run that did not close: a child process works and is killed with
// SIGKILL; the next start offers its rows back, byte for byte.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>

#include "commands/registration.h"
#include "file_bytes.h"
#include "scratch_dir.h"
#include "scripted_user_interface.h"

namespace brisvel {
namespace {

namespace fs = std::filesystem;
using testing_support::ScriptedUserInterface;
using testing_support::WriteFileBytes;
using Rows = std::vector<CodeEntry>;
using Work = std::function<void(Registration&, ScriptedUserInterface&)>;

const Rows kCaptured = {{"A\xa0\x83", std::string(480, 'F')}, {"\"quoted\", and\r\nbroken", "00"}, {"", "0102"}};

class RecoveryTest : public testing::Test {
 protected:
  CommandEnvironment Environment() {
    return {dir / "brisvel.ini", [] { return std::vector<SerialPortInfo>{{"/dev/ttyS0", "ttyS0", ""}}; }, 30000, dir / "state"};
  }

  // Runs `work` in a child process, which is killed once it is done.
  void WorkThenKill(const Work& work) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
      ScriptedUserInterface child_ui;
      Registration r(Environment(), child_ui);
      work(r, child_ui);
      [[maybe_unused]] auto n = write(ready[1], "x", 1);
      pause();
      _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    EXPECT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
  }

  std::vector<fs::path> StateFiles() {
    std::vector<fs::path> files;
    for (const auto& item : fs::directory_iterator(dir / "state")) files.push_back(item.path().filename());
    return files;
  }

  void LoadBase(Registration& r, ScriptedUserInterface& r_ui) {
    r_ui.file_answers.push_back(base);
    r.Load();
  }

  testing_support::ScratchDir dir;
  fs::path base = dir / "base.csv";
  ScriptedUserInterface ui;
};

TEST_F(RecoveryTest, KilledRunIsOfferedBackByteForByte) {
  struct Case {
    const char* label;
    Work work;
    Rows expected;
    std::size_t changes;
  };
  WriteFileBytes(base, "\"one\",\"01\"\r\n\"two\",\"02\"\r\n");
  const std::vector<Case> cases = {
      {"three captures",
       [](Registration& r, ScriptedUserInterface&) {
         for (const auto& row : kCaptured) r.list().append(row);
       },
       kCaptured, 3},
      {"edits on a loaded file",
       [this](Registration& r, ScriptedUserInterface& r_ui) {
         LoadBase(r, r_ui);
         r.list().append(kCaptured[0]);
         r.Rename(0, "ONE");
         r.MoveDown(0);
         r.Delete(2);
         r.Undo();
         r.list().append(kCaptured[1]);
       },
       {{"two", "02"}, {"ONE", "01"}, kCaptured[0], kCaptured[1]}, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ui = {};
    WorkThenKill(c.work);
    Registration next(Environment(), ui);
    next.Start();
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_NE(ui.questions[0].find("未保存の変更 " + std::to_string(c.changes) + " 件"), std::string::npos)
        << ui.questions[0];
    EXPECT_EQ(next.list().entries(), c.expected);
    EXPECT_TRUE(next.list().modified());
    // The restored work is this run's journal now; a normal close removes it.
    next.list().append({"after", "03"});
    ui.unsaved_answer = UnsavedAnswer::Discard;
    EXPECT_TRUE(next.Close(""));
    EXPECT_TRUE(StateFiles().empty());
  }
}

TEST_F(RecoveryTest, RefusedRecoveryIsDeleted) {
  WorkThenKill([](Registration& r, ScriptedUserInterface&) { r.list().append(kCaptured[0]); });
  ui.restore_answer = false;
  Registration next(Environment(), ui);
  next.Start();
  EXPECT_EQ(ui.questions.size(), 1u);
  EXPECT_EQ(next.list().size(), 0u);
  EXPECT_TRUE(StateFiles().empty());
}

TEST_F(RecoveryTest, TwoRunningInstancesNeverTakeEachOthersJournal) {
  ScriptedUserInterface first_ui, second_ui;
  auto first = std::make_unique<Registration>(Environment(), first_ui);
  Registration second(Environment(), second_ui);
  first->list().append({"first", "01"});
  second.list().append({"second", "02"});
  Registration third(Environment(), ui);
  third.Start();
  EXPECT_TRUE(ui.questions.empty());  // both journals are held

  first.reset();  // gone without closing, as a crash would leave it
  Registration fourth(Environment(), ui);
  fourth.Start();
  EXPECT_EQ(fourth.list().entries(), (Rows{{"first", "01"}}));
}

TEST_F(RecoveryTest, JournalThatCannotBeReadIsKeptAsideAndReported) {
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"not a journal", [&] { WriteFileBytes(dir / "state" / "recovery-x.journal", "garbage"); }},
      {"its file changed since",
       [&] {
         WriteFileBytes(base, "\"one\",\"01\"\r\n");
         WorkThenKill([this](Registration& r, ScriptedUserInterface& r_ui) {
           LoadBase(r, r_ui);
           r.list().append({"added", "02"});
         });
         WriteFileBytes(base, "\"one\",\"01\"\r\n\"edited elsewhere\",\"09\"\r\n");
       }},
  };
  for (const auto& [label, spoil] : cases) {
    SCOPED_TRACE(label);
    fs::remove_all(dir / "state");
    fs::create_directories(dir / "state");
    ui = {};
    spoil();
    const auto journal = StateFiles().at(0);
    Registration next(Environment(), ui);
    next.Start();
    EXPECT_TRUE(ui.questions.empty());
    ASSERT_EQ(ui.default_errors.size(), 1u);
    const fs::path aside = dir / "state" / (journal.string() + ".unreadable");
    EXPECT_NE(ui.default_errors[0].find(aside.string()), std::string::npos) << ui.default_errors[0];
    EXPECT_EQ(StateFiles(), std::vector<fs::path>{aside.filename()});
  }
}

}  // namespace
}  // namespace brisvel
