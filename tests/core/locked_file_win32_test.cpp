// The recovery journal's lock on Windows, where locks are mandatory and files open unshared
// by default.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/files/file_io.h"
#include "core/files/locked_file.h"
#include "scratch_dir.h"

namespace brisvel {
namespace {

namespace fs = std::filesystem;

TEST(LockedFile, HeldFileIsLockedToOthersYetReadableAndRemovable) {
  const fs::path dir = fs::temp_directory_path() / ("brisvel-lock-" + std::to_string(GetCurrentProcessId()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path journal = dir / "journal";
  {
    LockedFile held = LockedFile::Create(journal);
    EXPECT_THROW(LockedFile::Create(journal), UserError) << "the file must not exist";
    held.append("BRJ1");
    held.append("\nrow");
    EXPECT_FALSE(LockedFile::TryLock(journal).has_value()) << "another handle took the held lock";
    // Wine does not enforce locks on reads, so only Windows can fail this.
    EXPECT_EQ(WholeFile(journal).bytes(), "BRJ1\nrow") << "the lock keeps readers out";
  }
  {
    auto taken = LockedFile::TryLock(journal);
    ASSERT_TRUE(taken.has_value()) << "the lock outlived its holder";
    taken->append("\nmore");
    const fs::path aside = dir / "journal.unreadable";
    fs::rename(journal, aside);
    EXPECT_TRUE(fs::remove(aside)) << "a held journal cannot be put aside or removed";
  }
  fs::remove_all(dir);
}

// With the C runtime's descriptors all taken, a lock can be neither had nor left behind: a
// handle leaked then would hold the journal's lock until the program ends.
TEST(LockedFile, NoDescriptorLeftHoldsNothing) {
  const testing_support::ScratchDir dir;
  LockedFile::Create(dir / "journal");
  std::vector<int> taken;
  for (int fd; (fd = ::_wopen(L"NUL", _O_RDONLY)) >= 0;) taken.push_back(fd);
  EXPECT_THROW(LockedFile::Create(dir / "new"), UserError);
  EXPECT_FALSE(LockedFile::TryLock(dir / "journal").has_value());
  for (int fd : taken) ::_close(fd);
  EXPECT_TRUE(LockedFile::TryLock(dir / "journal").has_value()) << "a leaked handle holds the lock";
  EXPECT_TRUE(LockedFile::TryLock(dir / "new").has_value()) << "a leaked handle holds the lock";
}

}  // namespace
}  // namespace brisvel
