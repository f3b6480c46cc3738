// Recovery after a run that did not close: a child process works and is killed with
// SIGKILL; the next start offers its rows back, byte for byte.
#include <signal.h>
#include <sys/stat.h>
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
using testing_support::ReadFileBytes;
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

  fs::path Journal() {
    for (const fs::path& name : StateFiles())
      if (name.extension() == ".journal") return dir / "state" / name;
    return {};
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
      {"its first records damaged",
       [&] { WriteFileBytes(dir / "state" / "recovery-x.journal", "BRISVEL-RECOVERY 2\nB 0 0 0 -1 -1 12\n\n"); }},
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

TEST_F(RecoveryTest, DamageBeforeTheLastRecordIsToldAndKeptAside) {
  struct Case {
    const char* label;
    std::function<void(std::string&)> spoil;
    Rows expected;
    std::size_t lost;  // 0: nothing to tell
  };
  const std::vector<Case> cases = {
      {"torn last record", [](std::string& bytes) { bytes.resize(bytes.size() - 3); }, {kCaptured[0], kCaptured[1]}, 0},
      {"a record in the middle", [](std::string& bytes) { bytes[bytes.find("quoted")] = 'X'; }, {kCaptured[0]}, 2},
      {"100 bytes cut from the middle", [](std::string& bytes) { bytes.erase(bytes.size() / 2, 100); }, {}, 3},
      {"the last record", [](std::string& bytes) { bytes[bytes.size() - 3] = 'X'; }, {kCaptured[0], kCaptured[1]}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove_all(dir / "state");
    ui = {};
    WorkThenKill([](Registration& r, ScriptedUserInterface&) {
      for (const auto& row : kCaptured) r.list().append(row);
    });
    const fs::path journal = Journal();
    std::string bytes = ReadFileBytes(journal);
    c.spoil(bytes);
    WriteFileBytes(journal, bytes);
    Registration next(Environment(), ui);
    next.Start();
    EXPECT_EQ(next.list().entries(), c.expected);
    ASSERT_EQ(ui.questions.size(), 1u);
    const fs::path aside = journal.string() + ".damaged";
    if (c.lost == 0) {
      EXPECT_EQ(ui.questions[0].find("読めません"), std::string::npos) << ui.questions[0];
      EXPECT_FALSE(fs::exists(aside));
    } else {
      EXPECT_NE(ui.questions[0].find("変更 " + std::to_string(c.lost) + " 件は読めません"), std::string::npos) << ui.questions[0];
      EXPECT_NE(ui.questions[0].find(aside.string()), std::string::npos) << ui.questions[0];
      EXPECT_EQ(ReadFileBytes(aside), bytes);
    }
  }
}

TEST_F(RecoveryTest, ChangesAfterRestoringADamagedJournalSurviveTheNextKill) {
  WorkThenKill([](Registration& r, ScriptedUserInterface&) {
    for (const auto& row : kCaptured) r.list().append(row);
  });
  std::string bytes = ReadFileBytes(Journal());
  bytes[bytes.find("quoted")] = 'X';
  WriteFileBytes(Journal(), bytes);
  WorkThenKill([](Registration& r, ScriptedUserInterface&) {
    r.Start();
    r.list().append({"d", "0D"});
    r.list().append({"e", "0E"});
  });
  Registration next(Environment(), ui);
  next.Start();
  EXPECT_EQ(next.list().entries(), (Rows{kCaptured[0], {"d", "0D"}, {"e", "0E"}}));
  ASSERT_EQ(ui.questions.size(), 1u);
  EXPECT_NE(ui.questions[0].find("未保存の変更 3 件）。復元しますか"), std::string::npos) << ui.questions[0];
}

TEST_F(RecoveryTest, RestoreGivesTheLostRunsRowsWhateverBecameOfItsFile) {
  struct Case {
    const char* label;
    std::function<void()> before_edit, after_edit;
    bool told;
  };
  const auto nothing = [] {};
  const std::vector<Case> cases = {
      {"another instance saved it without row 0", [&] { WriteFileBytes(base, "\"b\",\"02\"\r\n\"c\",\"03\"\r\n"); }, nothing, true},
      {"moved away before the first edit", [&] { fs::rename(base, dir / "moved.csv"); }, nothing, true},
      {"touched after the first edit", nothing,
       [&] { fs::last_write_time(base, fs::last_write_time(base) + std::chrono::hours(1)); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ui = {};
    WriteFileBytes(base, "\"a\",\"01\"\r\n\"b\",\"02\"\r\n\"c\",\"03\"\r\n");
    WorkThenKill([&](Registration& r, ScriptedUserInterface& r_ui) {
      LoadBase(r, r_ui);
      c.before_edit();
      r.Rename(2, "RENAMED");
      c.after_edit();
    });
    Registration next(Environment(), ui);
    next.Start();
    EXPECT_EQ(next.list().entries(), (Rows{{"a", "01"}, {"b", "02"}, {"RENAMED", "03"}}));
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.questions[0].find(base.string() + " は、その後ほかで変更された") != std::string::npos, c.told)
        << ui.questions[0];
    ui.unsaved_answer = UnsavedAnswer::Discard;
    next.Close("");
  }
}

TEST_F(RecoveryTest, JournalThatCannotBeWrittenIsReportedOnceAndTriedAgainAtTheNextChange) {
  WriteFileBytes(dir / "state", "");  // a file where the folder should be
  auto first = std::make_unique<Registration>(Environment(), ui);
  first->list().append(kCaptured[0]);
  first->list().append(kCaptured[1]);
  EXPECT_EQ(ui.errors.size(), 1u);
  fs::remove(dir / "state");
  first->list().append(kCaptured[2]);
  first.reset();  // gone without closing

  struct stat folder {};
  ASSERT_EQ(stat((dir / "state").c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);
  ScriptedUserInterface next_ui;
  Registration next(Environment(), next_ui);
  next.Start();
  EXPECT_EQ(next.list().entries(), kCaptured);
  EXPECT_NE(next_ui.questions.at(0).find("未保存の変更 3 件"), std::string::npos) << next_ui.questions[0];
}

TEST_F(RecoveryTest, StartRemovesUnfinishedBirthsAndNamesJournalsOfAnotherVersion) {
  WorkThenKill([](Registration& r, ScriptedUserInterface&) { r.list().append({"a", "01"}); });
  const std::string journal = ReadFileBytes(Journal());
  fs::remove(Journal());
  WriteFileBytes(dir / "state" / ".1-2.new", journal.substr(0, journal.find("\nI 1 ") + 1));
  WriteFileBytes(dir / "state" / ".1-3.new", journal.substr(0, 25));
  WriteFileBytes(dir / "state" / "recovery-old.journal", "BRISVEL-RECOVERY 1\nB -1 -1 -1 -1 0\n\n");
  Registration next(Environment(), ui);
  next.Start();
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_EQ(StateFiles(), std::vector<fs::path>{"recovery-old.journal"});
  ASSERT_EQ(ui.default_errors.size(), 1u);
  EXPECT_NE(ui.default_errors[0].find((dir / "state" / "recovery-old.journal").string()), std::string::npos)
      << ui.default_errors[0];
}

TEST_F(RecoveryTest, SaveAsksBeforeReplacingWhatAnotherProgramWrote) {
  struct Case {
    const char* label;
    std::function<void()> meanwhile;
    fs::path target;
    bool asks;
  };
  const std::string theirs = "\"theirs\",\"09\"\r\n";
  const std::vector<Case> cases = {
      {"rewritten", [&] { WriteFileBytes(base, theirs); }, base, true},
      {"touched", [&] { fs::last_write_time(base, fs::last_write_time(base) + std::chrono::hours(1)); }, base, false},
      {"deleted", [&] { fs::remove(base); }, base, false},
      {"saved under another name", [&] { WriteFileBytes(base, theirs); }, dir / "other.csv", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ui = {};
    WriteFileBytes(base, "\"a\",\"01\"\r\n");
    Registration r(Environment(), ui);
    LoadBase(r, ui);
    ui.file_answers.push_back(base);
    ASSERT_TRUE(r.Save());
    c.meanwhile();
    r.list().append({"mine", "02"});
    ui.file_answers.push_back(c.target);
    EXPECT_EQ(r.Save(), !c.asks);
    ASSERT_EQ(ui.questions.size(), c.asks ? 1u : 0u);
    if (c.asks) {
      EXPECT_NE(ui.questions[0].find(base.string()), std::string::npos) << ui.questions[0];
      EXPECT_EQ(ReadFileBytes(base), theirs);
    }
  }
}

}  // namespace
}  // namespace brisvel
