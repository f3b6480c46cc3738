// Where a copy on Windows keeps brisvel.ini, decided on real folders. Wine runs the tests as a
// user who may write anywhere in its prefix, root on the test machines, so the unwritable
// folder is one that refuses even root: Linux's /sys, seen through wine's drive Z:.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/program_location.h"
#include "core/settings_location_win32.h"
#include "scratch_dir.h"

namespace brisvel {
namespace {

namespace fs = std::filesystem;

TEST(SettingsLocation, BesideTheExecutableOnlyWhereItsFolderIsWritable) {
  const testing_support::ScratchDir portable;
  const fs::path app_data = portable / "AppData";
  EXPECT_EQ(SettingsFilePathFor(portable.path(), app_data), portable / "brisvel.ini");
  EXPECT_EQ(fs::directory_iterator(portable.path()), fs::directory_iterator()) << "the probe was left behind";

  const fs::path installed = L"Z:\\sys";
  ASSERT_TRUE(fs::is_directory(installed));
  EXPECT_EQ(SettingsFilePathFor(installed, app_data), app_data / "BrisvelRemo" / "brisvel.ini");
}

// A build folder is the user's own, so this test program's settings stay beside it.
TEST(SettingsLocationOfThisProgram, BuildKeepsSettingsBesideTheExecutable) {
  EXPECT_EQ(SettingsFilePath(), ExecutableDirectory() / "brisvel.ini");
}

}  // namespace
}  // namespace brisvel
