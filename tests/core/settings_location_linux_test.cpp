#include "core/places/settings_location_linux.h"

#include <gtest/gtest.h>

#include "core/places/program_location.h"

namespace brisvel {
namespace {

struct PlaceCase {
  const char* label;
  ProgramPlace place;
  std::filesystem::path expected;
};

void PrintTo(const PlaceCase& c, std::ostream* out) { *out << c.label; }

class SettingsLocation : public testing::TestWithParam<PlaceCase> {};

TEST_P(SettingsLocation, FollowsWhereTheCopyLives) {
  EXPECT_EQ(SettingsFilePathFor(GetParam().place), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Linux, SettingsLocation,
    testing::Values(
        PlaceCase{"build_folder", {"/home/ann/brisvel/build/app/src/app", true, "", "/home/ann"},
                  "/home/ann/brisvel/build/app/src/app/brisvel.ini"},
        PlaceCase{"build_folder_ignores_xdg", {"/home/ann/build", true, "/home/ann/cfg", "/home/ann"},
                  "/home/ann/build/brisvel.ini"},
        PlaceCase{"usr_bin", {"/usr/bin", false, "", "/home/ann"}, "/home/ann/.config/brisvelremo/brisvel.ini"},
        PlaceCase{"usr_bin_as_root", {"/usr/bin", true, "", "/root"}, "/root/.config/brisvelremo/brisvel.ini"},
        PlaceCase{"usr_local_bin", {"/usr/local/bin", false, "", "/home/ann"},
                  "/home/ann/.config/brisvelremo/brisvel.ini"},
        PlaceCase{"usr_local_bin_xdg_set", {"/usr/local/bin", true, "/srv/conf", "/home/ann"},
                  "/srv/conf/brisvelremo/brisvel.ini"},
        PlaceCase{"unwritable_folder", {"/opt/brisvel", false, "", "/home/ann"},
                  "/home/ann/.config/brisvelremo/brisvel.ini"},
        PlaceCase{"unwritable_folder_xdg_set", {"/opt/brisvel", false, "/home/ann/xdg", "/home/ann"},
                  "/home/ann/xdg/brisvelremo/brisvel.ini"},
        PlaceCase{"relative_xdg_ignored", {"/usr/bin", false, "conf", "/home/ann"},
                  "/home/ann/.config/brisvelremo/brisvel.ini"},
        PlaceCase{"usr_prefix_of_a_name_only", {"/usrdata/brisvel", true, "", "/home/ann"},
                  "/usrdata/brisvel/brisvel.ini"}),
    [](const auto& p) { return std::string(p.param.label); });

// A build folder is the user's own, so this test program's settings stay beside it.
TEST(SettingsLocationOfThisProgram, BuildKeepsSettingsBesideTheExecutable) {
  EXPECT_EQ(SettingsFilePath(), ExecutableDirectory() / "brisvel.ini");
}

}  // namespace
}  // namespace brisvel
