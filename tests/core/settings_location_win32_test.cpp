// Where a copy on Windows keeps brisvel.ini, decided on real folders. Wine runs the tests as a
// user who may write anywhere in its prefix, root on the test machines, so the unwritable
// folder is one that refuses even root: Linux's /sys, seen through wine's drive Z:.
#include <gtest/gtest.h>

#include <cwctype>
#include <filesystem>

#include "core/places/program_location.h"
#include "core/places/settings_location_win32.h"
#include "scratch_dir.h"

namespace brisvel {
namespace {

namespace fs = std::filesystem;

TEST(SettingsLocation, BesideTheExecutableOnlyWhereItsFolderIsWritableAndNotInstalled) {
  const testing_support::ScratchDir portable;
  const fs::path app_data = portable / "AppData";
  const fs::path in_app_data = app_data / "BrisvelRemo" / "brisvel.ini";
  EXPECT_EQ(SettingsFilePathFor(portable.path(), app_data, std::nullopt), portable / "brisvel.ini");
  EXPECT_EQ(fs::directory_iterator(portable.path()), fs::directory_iterator()) << "the probe was left behind";

  const fs::path program_files = L"Z:\\sys";
  ASSERT_TRUE(fs::is_directory(program_files));
  EXPECT_EQ(SettingsFilePathFor(program_files, app_data, std::nullopt), in_app_data);

  // A per-user install is writable; the installer's record tells it from a portable copy.
  std::wstring recorded = portable.path().native() + L"\\";
  for (wchar_t& c : recorded) c = static_cast<wchar_t>(towupper(c));
  EXPECT_EQ(SettingsFilePathFor(portable.path(), app_data, fs::path(recorded)), in_app_data);
  EXPECT_EQ(SettingsFilePathFor(portable.path(), app_data, portable / "elsewhere"), portable / "brisvel.ini");
}

// A build folder is the user's own, so this test program's settings stay beside it.
TEST(SettingsLocationOfThisProgram, BuildKeepsSettingsBesideTheExecutable) {
  EXPECT_EQ(SettingsFilePath(), ExecutableDirectory() / "brisvel.ini");
}

}  // namespace
}  // namespace brisvel
