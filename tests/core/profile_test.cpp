#include "core/formats/profile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "file_bytes.h"

namespace brisvel::profile {
namespace {

struct ReadCase {
  const char* label;
  std::string file;
  std::string expected;
};

class ProfileRead : public testing::TestWithParam<ReadCase> {};

TEST_P(ProfileRead, FindsComAsWindowsWould) {
  EXPECT_EQ(ReadString(GetParam().file, "SETTING", "COM", "default"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Profile, ProfileRead,
    testing::Values(
        ReadCase{"empty_file", "", "default"},
        ReadCase{"crlf", "[SETTING]\r\nCOM=/dev/ttyUSB0\r\n", "/dev/ttyUSB0"},
        ReadCase{"lf_no_trailing_break", "[SETTING]\nCOM=COM3", "COM3"},
        ReadCase{"names_case_insensitive_and_trimmed", "  [ setting ]\n  com  =  COM4  \n", "COM4"},
        ReadCase{"double_quotes_removed", "[SETTING]\nCOM=\" COM5 \"\n", " COM5 "},
        ReadCase{"single_quotes_removed", "[SETTING]\nCOM='COM6'\n", "COM6"},
        ReadCase{"unmatched_quote_kept", "[SETTING]\nCOM=\"COM7\n", "\"COM7"},
        ReadCase{"empty_value", "[SETTING]\nCOM=\n", ""},
        ReadCase{"key_in_other_section", "[OTHER]\nCOM=X\n[SETTING]\nBAUD=1\n", "default"},
        ReadCase{"first_of_duplicate_sections", "[SETTING]\nCOM=A\n[SETTING]\nCOM=B\n", "A"},
        ReadCase{"first_of_duplicate_keys", "[SETTING]\nCOM=A\nCOM=B\n", "A"},
        ReadCase{"comment_line_ignored", "[SETTING]\n;COM=A\nCOM=B\n", "B"},
        ReadCase{"shift_jis_bytes_as_they_are", "[SETTING]\nCOM=\x83\x5c\x83\x7c\n", "\x83\x5c\x83\x7c"},
        ReadCase{"value_cut_to_2047_bytes", "[SETTING]\nCOM=" + std::string(5000, 'x') + "\n",
                 std::string(2047, 'x')}),
    [](const auto& p) { return std::string(p.param.label); });

struct WriteCase {
  const char* label;
  std::string before;
  std::string value;
  std::string after;
};

class ProfileWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(ProfileWrite, ChangesOnlyTheKey) {
  EXPECT_EQ(WriteString(GetParam().before, "SETTING", "COM", GetParam().value), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Profile, ProfileWrite,
    testing::Values(
        WriteCase{"new_file", "", "COM2", "[SETTING]\r\nCOM=COM2\r\n"},
        WriteCase{"empty_value_written", "", "", "[SETTING]\r\nCOM=\r\n"},
        WriteCase{"replaces_value_keeps_rest",
                  "; mine\r\n[setting]\r\n  com = old\r\nBAUD=9600\r\n[X]\r\nCOM=keep\r\n", "new",
                  "; mine\r\n[setting]\r\nCOM=new\r\nBAUD=9600\r\n[X]\r\nCOM=keep\r\n"},
        WriteCase{"adds_key_after_last_line_of_section", "[SETTING]\nA=1\n\n[X]\nB=2\n", "v",
                  "[SETTING]\nA=1\nCOM=v\n\n[X]\nB=2\n"},
        WriteCase{"adds_section_after_unterminated_line", "[X]\nB=2", "v", "[X]\nB=2\n[SETTING]\nCOM=v\n"},
        WriteCase{"keeps_lf_style", "[SETTING]\nCOM=a\n", "b", "[SETTING]\nCOM=b\n"},
        WriteCase{"only_first_duplicate_changed", "[SETTING]\nCOM=a\n[SETTING]\nCOM=b\n", "c",
                  "[SETTING]\nCOM=c\n[SETTING]\nCOM=b\n"},
        WriteCase{"shift_jis_value", "", "\x83\x65", "[SETTING]\r\nCOM=\x83\x65\r\n"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(ProfileWriteRead, LongValueWrittenWholeReadCut) {
  std::string text = WriteString("", "SETTING", "COM", std::string(5000, 'y'));
  EXPECT_NE(text.find(std::string(5000, 'y')), std::string::npos);
  EXPECT_EQ(ReadString(text, "SETTING", "COM", "").size(), kMaxValueBytes);
}

class ProfileFile : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("profile_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
};

TEST_F(ProfileFile, MissingFileReadsDefaultAndIsCreatedOnWrite) {
  auto ini = dir_ / "brisvel.ini";
  EXPECT_EQ(ReadFileString(ini, "SETTING", "COM", "").value, "");
  WriteFileString(ini, "SETTING", "COM", "/dev/ttyS1");
  EXPECT_EQ(ReadFileString(ini, "SETTING", "COM", "").value, "/dev/ttyS1");
  EXPECT_EQ(testing_support::ReadFileBytes(ini), "[SETTING]\r\nCOM=/dev/ttyS1\r\n");
}

TEST_F(ProfileFile, UnwritableLocationThrowsUserError) {
  testing_support::WriteFileBytes(dir_ / "plain", "x");
  EXPECT_THROW(WriteFileString(dir_ / "plain" / "brisvel.ini", "SETTING", "COM", "a"), UserError);
}

}  // namespace
}  // namespace brisvel::profile
