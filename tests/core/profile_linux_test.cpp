// Settings files that are no files, made for real: the read neither waits for a FIFO's writer
// nor reads /dev/zero's endless bytes, and says why the default was used.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "core/formats/profile.h"
#include "scratch_dir.h"

namespace brisvel::profile {
namespace {

TEST(ProfileNotAFile, ReadsTheDefaultAndSaysWhy) {
  const std::pair<const char*, std::function<void(const std::filesystem::path&)>> makers[] = {
      {"FIFO", [](const std::filesystem::path& ini) { ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0); }},
      {"link to /dev/zero", [](const std::filesystem::path& ini) { std::filesystem::create_symlink("/dev/zero", ini); }},
      {"folder", [](const std::filesystem::path& ini) { std::filesystem::create_directory(ini); }},
  };
  for (const auto& [what, make] : makers) {
    SCOPED_TRACE(what);
    const testing_support::ScratchDir dir;
    make(dir / "brisvel.ini");
    const FileValue read = ReadFileString(dir / "brisvel.ini", "SETTING", "COM", "default");
    EXPECT_EQ(read.value, "default");
    EXPECT_EQ(read.problem, (dir / "brisvel.ini").string() + " は通常のファイルではないので読み込みません");
  }
}

}  // namespace
}  // namespace brisvel::profile
