#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/formats/code_list_file.h"

namespace brisvel {
namespace {

using namespace std::string_literals;

struct WriteCase {
  const char* label;
  std::vector<CodeEntry> entries;
  std::string bytes;
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.label; }

class WriterTest : public testing::TestWithParam<WriteCase> {};

TEST_P(WriterTest, WritesBytesThatReadBackAsTheList) {
  EXPECT_EQ(FormatCodeList(GetParam().entries), GetParam().bytes);
  const LoadedCodeList loaded = ParseCodeList(GetParam().bytes);
  EXPECT_EQ(loaded.entries, GetParam().entries);
  EXPECT_FALSE(loaded.error.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Writer, WriterTest,
    testing::Values(
        WriteCase{"empty_list_is_an_empty_file", {}, ""},
        WriteCase{"one_quoted_line_per_entry",
                  {{"TV \x83\x5c", "00FF"}, {"a, b", ""}},
                  "\"TV \x83\x5c\",\"00FF\"\r\n\"a, b\",\"\"\r\n"},
        WriteCase{"quotes_are_doubled", {{"say \"hi\"", "\""}}, "\"say \"\"hi\"\"\",\"\"\"\"\r\n"},
        WriteCase{"a_second_byte_quote_is_not_doubled", {{"\x81\"", "1"}}, "\"\x81\"\",\"1\"\r\n"},
        // Each line break inside a text is paid back by an entry ending in a comma.
        WriteCase{"crlf_in_a_text_shares_a_line",
                  {{"a\r\nb", "1"}, {"c", "2"}, {"d", "3"}},
                  "\"a\r\nb\",\"1\",\"c\",\"2\"\r\n\"d\",\"3\"\r\n"},
        WriteCase{"crlf_in_the_last_text", {{"a", "1"}, {"c", "2\r\n"}}, "\"a\",\"1\",\"c\",\"2\r\n\"\r\n"},
        WriteCase{"lone_cr_ending_the_file_stays_open", {{"a", "1"}, {"b", "x\r\ny\r"}},
                  "\"a\",\"1\",\"b\",\"x\r\ny\r\n"},
        WriteCase{"lead_and_cr_written_unquoted", {{"a\x83\r", "1"}, {"c", "2"}},
                  "a\x83\r\n,\"1\",\"c\",\"2\"\r\n"}),
    [](const auto& p) { return std::string(p.param.label); });

// A lone CR or LF cannot come back from a file, whose breaks all read as CR LF; it is written
// as that, and the file then reads back the same way every time.
TEST(WriterTest, WritesLoneBreaksAsCrLf) {
  const std::vector<CodeEntry> entries{{"a\nb", "1\r"}, {"c\n\rd", "2"}, {"e", "3"}, {"f", "4"}, {"g", "5"}};
  const std::string bytes = FormatCodeList(entries);
  EXPECT_EQ(bytes, "\"a\r\nb\",\"1\r\n\",\"c\r\n\r\nd\",\"2\",\"e\",\"3\",\"f\",\"4\",\"g\",\"5\"\r\n");
  const LoadedCodeList loaded = ParseCodeList(bytes);
  const std::vector<CodeEntry> normalized{{"a\r\nb", "1\r\n"}, {"c\r\n\r\nd", "2"}, {"e", "3"}, {"f", "4"}, {"g", "5"}};
  EXPECT_EQ(loaded.entries, normalized);
  EXPECT_EQ(FormatCodeList(loaded.entries), bytes);
  EXPECT_FALSE(loaded.error.has_value());
}

// With more breaks than entries to pay them back the file has lines to spare; its load says
// so, after every row.
TEST(WriterTest, TooManyBreaksStillLoadEveryRow) {
  const std::vector<CodeEntry> entries{{"a\r\nb\r\nc", "1"}, {"d", "2"}};
  const LoadedCodeList loaded = ParseCodeList(FormatCodeList(entries));
  EXPECT_EQ(loaded.entries, entries);
  ASSERT_TRUE(loaded.error.has_value());
  EXPECT_EQ(loaded.error->index(), 4);
}

TEST(WriterTest, RowWithoutDataFailsWithIndexZero) {
  const std::vector<CodeEntry> entries{{"a", "1"}, {"b", std::nullopt}};
  try {
    FormatCodeList(entries);
    FAIL() << "no error";
  } catch (const ListIndexError& error) {
    EXPECT_EQ(error.index(), 0);
  }
}

TEST(WriterTest, RefusesTextsNoFileCanHold) {
  for (const std::string& text : {"a\0b"s, "a\x83"s, "\x81\x81\x81"s}) {
    EXPECT_THROW(FormatCodeList(std::vector<CodeEntry>{{text, "1"}}), std::invalid_argument);
    EXPECT_THROW(FormatCodeList(std::vector<CodeEntry>{{"n", text}}), std::invalid_argument);
  }
}

}  // namespace
}  // namespace brisvel
