#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/formats/code_list_file.h"
#include "file_bytes.h"

namespace brisvel {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

const std::string kOldBytes = "\"old\",\"0123\"\r\n";

std::vector<CodeEntry> ManyEntries(size_t count) {
  const std::string data(480, 'A');
  std::vector<CodeEntry> entries;
  for (size_t i = 0; i < count; ++i) entries.push_back({"\x83\x65\x83\x8c\x83\x72 " + std::to_string(i), data});
  return entries;
}

int MaskedMode(const fs::path& path) {
  struct stat status {};
  EXPECT_EQ(::stat(path.c_str(), &status), 0);
  return static_cast<int>(status.st_mode & 07777);
}

class SaveLoadTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "codelist-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    WriteFileBytes(dir_ / "old.csv", kOldBytes);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(dir_)) names.insert(item.path().filename().string());
    return names;
  }

  // The save must fail with `message`, leaving the folder as it was.
  void ExpectSaveFails(const fs::path& path, const std::vector<CodeEntry>& entries, const std::string& message) {
    const std::set<std::string> before = Listing();
    try {
      SaveCodeListFile(path, entries);
      ADD_FAILURE() << "saved " << path;
    } catch (const UserError& error) {
      EXPECT_EQ(error.what(), message);
    }
    EXPECT_EQ(Listing(), before);
    EXPECT_EQ(ReadFileBytes(dir_ / "old.csv"), kOldBytes);
  }

  fs::path dir_;
};

TEST_F(SaveLoadTest, SavesAndLoadsARealFile) {
  const std::vector<CodeEntry> entries{{"\x83\x65\x83\x8c\x83\x72, \"\x83\x5c\"", "00FF"}, {"\xb1\xb2", "x\r\ny"}};
  SaveCodeListFile(dir_ / "old.csv", entries);
  EXPECT_EQ(ReadFileBytes(dir_ / "old.csv"), FormatCodeList(entries));
  const LoadedCodeList loaded = LoadCodeListFile(dir_ / "old.csv");
  EXPECT_EQ(loaded.entries, entries);
  EXPECT_FALSE(loaded.error.has_value());
  EXPECT_EQ(Listing(), std::set<std::string>{"old.csv"});
}

TEST_F(SaveLoadTest, EmptyListWritesAnEmptyFile) {
  SaveCodeListFile(dir_ / "old.csv", {});
  EXPECT_EQ(fs::file_size(dir_ / "old.csv"), 0u);
  const LoadedCodeList loaded = LoadCodeListFile(dir_ / "old.csv");
  EXPECT_TRUE(loaded.entries.empty());
  EXPECT_FALSE(loaded.error.has_value());
}

TEST_F(SaveLoadTest, LoadKeepsTheRowsBeforeAMissingField) {
  WriteFileBytes(dir_ / "gap.csv", "\"a\",\"1\"\r\n\r\n\"b\",\"2\"\r\n");
  const LoadedCodeList loaded = LoadCodeListFile(dir_ / "gap.csv");
  EXPECT_EQ(loaded.entries, (std::vector<CodeEntry>{{"a", "1"}, {"b", "2"}}));
  ASSERT_TRUE(loaded.error.has_value());
  EXPECT_EQ(loaded.error->index(), 4);
}

TEST_F(SaveLoadTest, KeepsAnExistingFilesModeAndGivesANewOneTheUmasks) {
  ASSERT_EQ(::chmod((dir_ / "old.csv").c_str(), 0640), 0);
  SaveCodeListFile(dir_ / "old.csv", ManyEntries(2));
  EXPECT_EQ(MaskedMode(dir_ / "old.csv"), 0640);

  const mode_t previous = ::umask(027);
  SaveCodeListFile(dir_ / "new.csv", ManyEntries(2));
  ::umask(previous);
  EXPECT_EQ(MaskedMode(dir_ / "new.csv"), 0640);
}

TEST_F(SaveLoadTest, ReplacesTheFileALinkNamesAndKeepsTheLink) {
  fs::create_symlink("old.csv", dir_ / "link.csv");
  fs::create_symlink("missing.csv", dir_ / "dangling.csv");
  SaveCodeListFile(dir_ / "link.csv", ManyEntries(1));
  SaveCodeListFile(dir_ / "dangling.csv", ManyEntries(2));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.csv"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.csv"));
  EXPECT_EQ(ReadFileBytes(dir_ / "old.csv"), FormatCodeList(ManyEntries(1)));
  EXPECT_EQ(ReadFileBytes(dir_ / "missing.csv"), FormatCodeList(ManyEntries(2)));
}

// Running as root rules out permission failures; these fail for anyone.
TEST_F(SaveLoadTest, FileThatCannotBeCreatedLeavesEverythingAsItWas) {
  WriteFileBytes(dir_ / "plain.txt", "x");
  fs::create_directory(dir_ / "folder.csv");
  const struct {
    fs::path path;
    const char* reason;
  } cases[] = {
      {dir_ / "no-such-folder" / "list.csv", "No such file or directory"},
      {dir_ / "plain.txt" / "list.csv", "Not a directory"},
      {dir_ / "folder.csv", "Is a directory"},  // fails only at the rename
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    ExpectSaveFails(c.path, ManyEntries(3),
                    "ファイル \"" + c.path.string() + "\". " + c.reason + " を作成できません");
  }
}

TEST_F(SaveLoadTest, RowWithoutDataFailsBeforeTouchingTheFile) {
  std::vector<CodeEntry> entries = ManyEntries(3);
  entries[2].data.reset();
  ExpectSaveFails(dir_ / "old.csv", entries, ListIndexError(0).what());
}

TEST_F(SaveLoadTest, FullDiskLeavesTheOldFile) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      SaveCodeListFile(dir_ / "old.csv", ManyEntries(2000));
    } catch (const UserError& error) {
      ::_exit(std::string(error.what()) == "ストリームへの書き込みエラー" ? 0 : 2);
    }
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: saved past the limit, 2: wrong message";
  EXPECT_EQ(ReadFileBytes(dir_ / "old.csv"), kOldBytes);
  EXPECT_EQ(Listing(), std::set<std::string>{"old.csv"});
}

// The temporary file may stay behind after a kill; the user's file must be whole.
TEST_F(SaveLoadTest, SaveKilledHalfWayLeavesTheOldFileWhole) {
  const std::vector<CodeEntry> entries = ManyEntries(100'000);  // about 50 MB
  bool killed = false;
  for (int attempt = 0; attempt < 3 && !killed; ++attempt) {
    WriteFileBytes(dir_ / "old.csv", kOldBytes);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      SaveCodeListFile(dir_ / "old.csv", entries);
      ::_exit(0);
    }
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool writing = false;
    while (!writing && std::chrono::steady_clock::now() < give_up) {
      for (const auto& item : fs::directory_iterator(dir_)) {
        std::error_code gone;
        writing = writing || (item.path().extension() == ".tmp" && fs::file_size(item.path(), gone) > 0);
      }
      if (!writing) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    killed = WIFSIGNALED(status);
    if (killed) {
      EXPECT_EQ(ReadFileBytes(dir_ / "old.csv"), kOldBytes);
    }
  }
  EXPECT_TRUE(killed) << "every save finished before it could be killed";
}

TEST_F(SaveLoadTest, FileThatCannotBeOpenedReportsWhy) {
  const struct {
    fs::path path;
    const char* reason;
  } cases[] = {
      {dir_ / "absent.csv", "No such file or directory"},
      {dir_, "Is a directory"},
  };
  for (const auto& c : cases) {
    try {
      LoadCodeListFile(c.path);
      ADD_FAILURE() << "loaded " << c.path;
    } catch (const UserError& error) {
      EXPECT_EQ(error.what(), "ファイル \"" + c.path.string() + "\". " + c.reason + " は開けません");
    }
  }
}

}  // namespace
}  // namespace brisvel
