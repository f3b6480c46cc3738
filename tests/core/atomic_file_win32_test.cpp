// Saving on Windows, seen through the two files the tool writes: code lists and its settings.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>
#include <string>

#include "core/files/atomic_file_win32.h"
#include "core/formats/code_list_file.h"
#include "core/formats/profile.h"
#include "file_bytes.h"
#include "under_wine.h"

namespace brisvel {
namespace {

namespace fs = std::filesystem;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

class SaveTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("brisvel-save-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    for (const auto& item : fs::directory_iterator(dir_)) SetFileAttributesW(item.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(dir_);
  }

  std::set<fs::path> Listing() const {
    std::set<fs::path> names;
    for (const auto& item : fs::directory_iterator(dir_)) names.insert(item.path().filename());
    return names;
  }

  fs::path dir_;
};

struct SavedFile {
  const char* label;
  fs::path name;
  std::string old_bytes;
  std::function<void(const fs::path&)> save;
};

const SavedFile kFiles[] = {
    {"code list", u8"リモコン.csv", "\"old\",\"0123\"\r\n",
     [](const fs::path& path) { SaveCodeListFile(path, std::vector<CodeEntry>{{"new", "4567"}}); }},
    {"settings", "brisvel.ini", "[SETTING]\r\nCOM=COM1\r\n",
     [](const fs::path& path) { profile::WriteFileString(path, "SETTING", "COM", "COM3"); }},
};

// Blocks writing to the file until the returned handle closes: the read-only attribute, or
// another program holding it open without sharing.
using Blocker = std::function<HANDLE(const fs::path&)>;

TEST_F(SaveTest, ProtectedFileIsNeitherReplacedNorLittered) {
  const std::pair<const char*, Blocker> blockers[] = {
      {"read-only", [](const fs::path& path) {
         SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
         return INVALID_HANDLE_VALUE;
       }},
      {"held", [](const fs::path& path) {
         return CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
       }},
  };
  for (const SavedFile& file : kFiles) {
    for (const auto& [how, block] : blockers) {
      SCOPED_TRACE(std::string(file.label) + ", " + how);
      const fs::path path = dir_ / file.name;
      WriteFileBytes(path, file.old_bytes);
      const HANDLE holder = block(path);
      try {
        file.save(path);
        ADD_FAILURE() << "saved";
      } catch (const UserError& error) {
        EXPECT_EQ(error.what(), "ファイル \"" + Utf8(path) + "\". Permission denied を作成できません");
      }
      if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
      EXPECT_EQ(ReadFileBytes(path), file.old_bytes);
      EXPECT_EQ(Listing(), std::set<fs::path>{file.name});
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      fs::remove(path);
    }
  }
}

TEST_F(SaveTest, ReplacingKeepsTheFilesAttributes) {
  for (const SavedFile& file : kFiles) {
    SCOPED_TRACE(file.label);
    const fs::path path = dir_ / file.name;
    WriteFileBytes(path, file.old_bytes);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    file.save(path);
    EXPECT_NE(ReadFileBytes(path), file.old_bytes);
    // Wine's ReplaceFileW leaves the file with the new content's attributes.
    if (!testing_support::UnderWine()) {
      EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    }
    EXPECT_EQ(Listing(), std::set<fs::path>{file.name});
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove(path);
  }
}

// ReplaceFileW without a backup name can fail halfway, the target already gone (1176) or moved
// aside (1177) and the new content under its temporary name; then the move retried works or not.
TEST_F(SaveTest, ReplacementFailingHalfwayNeverLosesTheNewContent) {
  const fs::path path = dir_ / "list.csv";
  for (const DWORD replace_error : {ERROR_UNABLE_TO_MOVE_REPLACEMENT, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2}) {
    for (const bool move_works : {true, false}) {
      SCOPED_TRACE(std::to_string(replace_error) + (move_works ? ", moved" : ", move refused"));
      WriteFileBytes(path, "old");
      detail::PlacingCalls calls;
      calls.replace_file = [&](LPCWSTR replaced, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID) {
        DeleteFileW(replaced);
        SetLastError(replace_error);
        return FALSE;
      };
      calls.move_file = [&](LPCWSTR from, LPCWSTR to, DWORD flags) {
        EXPECT_EQ(flags, DWORD{MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH});
        if (move_works) return MoveFileExW(from, to, flags);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
      };
      std::string error;
      try {
        detail::ReplaceFileAtomically(path, "new", calls);
      } catch (const UserError& e) {
        error = e.what();
      }
      const std::set<fs::path> left = Listing();
      ASSERT_EQ(left.size(), 1u) << "the new content was deleted, or a file was left over";
      const fs::path holder = dir_ / *left.begin();
      EXPECT_EQ(ReadFileBytes(holder), "new");
      EXPECT_EQ(holder == path, move_works);
      EXPECT_EQ(error.find(Utf8(holder)) != std::string::npos, !move_works) << error;
      fs::remove(holder);
    }
  }
}

// Names reach the system in UTF-16, whatever the ANSI code page; the temporary file's name is
// short, so the longest names save too.
TEST_F(SaveTest, JapaneseAndLongestNamesSaveAndLoad) {
  std::u8string kanji;
  for (int i = 0; i < 80; ++i) kanji += u8"漢";
  const fs::path names[] = {fs::path(std::string(251, 'n') + ".csv"), fs::path(kanji + u8".csv"),
                            fs::path(u8"電源ボタン.csv")};
  for (const fs::path& name : names) {
    SCOPED_TRACE(Utf8(name));
    const std::vector<CodeEntry> entries{{"\x93\x64\x8c\xb9", "00"}};  // 電源 in Shift-JIS
    ASSERT_NO_THROW(SaveCodeListFile(dir_ / name, entries));
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((dir_ / L"*.csv").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_EQ(std::wstring(found.cFileName), name.wstring());
    EXPECT_EQ(LoadCodeListFile(dir_ / name).entries, entries);
    EXPECT_EQ(Listing(), std::set<fs::path>{name});
    fs::remove(dir_ / name);
  }
}

// Past MAX_PATH (260) as the manifest's longPathAware allows: a folder chain of 300 characters.
TEST_F(SaveTest, FilesPastMaxPathSaveAndLoad) {
  fs::path folder = dir_;
  while (folder.native().size() < 300) folder /= std::string(60, 'd');
  ASSERT_TRUE(fs::create_directories(folder));
  for (const SavedFile& file : kFiles) {
    SCOPED_TRACE(file.label);
    const fs::path path = folder / file.name;
    file.save(path);
    file.save(path);
    EXPECT_NE(ReadFileBytes(path), file.old_bytes);
  }
  EXPECT_EQ(LoadCodeListFile(folder / kFiles[0].name).entries, (std::vector<CodeEntry>{{"new", "4567"}}));
  EXPECT_EQ(profile::ReadFileString(folder / kFiles[1].name, "SETTING", "COM", "").value, "COM3");
  // The runtime's folder listing, which remove_all uses, stops at MAX_PATH.
  for (const SavedFile& file : kFiles) fs::remove(folder / file.name);
  for (; folder != dir_; folder = folder.parent_path()) fs::remove(folder);
}

}  // namespace
}  // namespace brisvel
