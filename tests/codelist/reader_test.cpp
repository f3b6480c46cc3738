#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/formats/code_list_file.h"

namespace brisvel {
namespace {

using namespace std::string_literals;

struct Row {
  std::string name;
  std::string data;
};

struct ReadCase {
  const char* label;
  std::string bytes;
  std::vector<Row> rows;
  std::optional<long long> missing_field;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.label; }

class ReaderTest : public testing::TestWithParam<ReadCase> {};

TEST_P(ReaderTest, ReadsRowsAndReportsTheMissingField) {
  const LoadedCodeList loaded = ParseCodeList(GetParam().bytes);
  std::vector<CodeEntry> expected;
  for (const Row& row : GetParam().rows) expected.push_back({row.name, row.data});
  EXPECT_EQ(loaded.entries, expected);
  ASSERT_EQ(loaded.error.has_value(), GetParam().missing_field.has_value());
  if (loaded.error) {
    EXPECT_EQ(loaded.error->index(), *GetParam().missing_field);
    EXPECT_STREQ(loaded.error->what(), ListIndexError(*GetParam().missing_field).what());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ReaderTest,
    testing::Values(
        ReadCase{"empty_file", "", {}, {}},
        ReadCase{"written_by_the_tool", "\"TV\",\"00FF\"\r\n\"Fan\",\"A0\"\r\n", {{"TV", "00FF"}, {"Fan", "A0"}}, {}},
        ReadCase{"last_line_without_break", "\"a\",\"1\"\r\n\"b\",\"2\"", {{"a", "1"}, {"b", "2"}}, {}},
        ReadCase{"lone_cr_and_lone_lf_breaks", "\"a\",\"1\"\r\"b\",\"2\"\n", {{"a", "1"}, {"b", "2"}}, {}},
        ReadCase{"blank_line_between_entries_asks_for_a_third_row",
                 "\"a\",\"1\"\r\n\r\n\"b\",\"2\"\r\n", {{"a", "1"}, {"b", "2"}}, 4},
        ReadCase{"lf_cr_is_two_breaks", "\"a\",\"1\"\n\r\"b\",\"2\"", {{"a", "1"}, {"b", "2"}}, 4},
        ReadCase{"only_blank_lines", "\r\n \r\n", {}, 0},
        ReadCase{"missing_data_drops_the_half_row", "\"a\",\"1\"\r\n\"b\"\r\n", {{"a", "1"}}, 3},
        ReadCase{"nul_ends_the_text", "\"a\",\"1\"\r\n\0\"b\",\"2\"\r\n"s, {{"a", "1"}}, {}},
        ReadCase{"nul_inside_a_field_leaves_it_unclosed", "\"a\",\"12\0\"\r\n"s, {{"a", "12\r"}}, {}}),
    [](const auto& p) { return std::string(p.param.label); });

INSTANTIATE_TEST_SUITE_P(
    Fields, ReaderTest,
    testing::Values(
        ReadCase{"pairs_by_position_not_by_line", "\"1\",\"2\",\"3\"\r\n\"4\",\"5\"\r\n", {{"1", "2"}, {"3", "4"}}, {}},
        ReadCase{"quoted_comma_and_spaces", "\"a, b  c\",\"1\"\r\n", {{"a, b  c", "1"}}, {}},
        ReadCase{"doubled_quotes", "\"say \"\"hi\"\"\",\"\"\"\"\r\n", {{"say \"hi\"", "\""}}, {}},
        ReadCase{"unquoted_space_splits_the_name", "TV power,00\r\nFan,A0\r\n", {{"TV", "power"}, {"00", "Fan"}}, {}},
        ReadCase{"blanks_around_fields", "  \"a\" ,\t\"1\"  \r\n", {{"a", "1"}}, {}},
        ReadCase{"empty_fields_between_commas", ",x\r\na,,b\r\n", {{"", "x"}, {"a", ""}}, {}},
        ReadCase{"trailing_comma_adds_no_field", "a,", {}, 1},
        ReadCase{"field_after_closing_quote_without_comma", "\"a\"b\r\n", {{"a", "b"}}, {}},
        ReadCase{"quote_inside_unquoted_field", "ab\"c,1\r\n", {{"ab\"c", "1"}}, {}},
        ReadCase{"quoted_field_across_lines_holds_crlf", "\"a\nb\",\"1\"\n\"c\",\"2\"\n", {{"a\r\nb", "1"}, {"c", "2"}}, 4},
        ReadCase{"unclosed_quote_keeps_the_last_cr", "\"a\",\"bc\r\n", {{"a", "bc\r"}}, {}},
        ReadCase{"unclosed_quote_runs_over_lines", "\"a\",\"b\"\"\nc", {{"a", "b\"\r\nc\r"}}, 2}),
    [](const auto& p) { return std::string(p.param.label); });

// A second byte is never a separator, whatever its value; half-width katakana are single bytes.
INSTANTIATE_TEST_SUITE_P(
    ShiftJis, ReaderTest,
    testing::Values(
        ReadCase{"trail_0x5C_and_0x7C", "\"\x83\x5c\x83\x7c\",\"1\"\r\n\x83\x5c,2\r\n", {{"\x83\x5c\x83\x7c", "1"}, {"\x83\x5c", "2"}}, {}},
        ReadCase{"trail_in_lead_range_before_quote", "\"\x81\x81\",\"1\"\r\n", {{"\x81\x81", "1"}}, {}},
        ReadCase{"halfwidth_katakana_before_quote", "\"\xb1\xb2\",\"1\"\r\n", {{"\xb1\xb2", "1"}}, {}},
        ReadCase{"lone_lead_takes_the_quote", "\"\x81\",\"1\"\r\n", {{"\x81\",", "1\""}}, {}},
        ReadCase{"third_lead_takes_the_quote", "\"\x81\x81\x81\",\"\",\"1\"\r\n", {{"\x81\x81\x81\",\",", "1\""}}, {}},
        ReadCase{"lead_takes_a_comma_in_an_unquoted_field", "\x83,x,1\r\n", {{"\x83,x", "1"}}, {}},
        ReadCase{"lead_at_line_end_takes_the_cr", "a,b\x83\nc,d", {{"a", "b\x83\r"}, {"c", "d"}}, {}},
        ReadCase{"lead_before_the_final_lf", "\"a\",\"\x83\r\n", {{"a", "\x83\r"}}, {}}),
    [](const auto& p) { return std::string(p.param.label); });

struct UnreadCase {
  std::string bytes;
  std::optional<UnreadLines> unread;
};

// The line a NUL is on counts as a reader counts lines: after a break it starts a new one.
TEST(ReaderUnreadLinesTest, NamesTheLineTheNulIsOnAndCountsTheLinesFromThere) {
  const UnreadCase cases[] = {
      {"\"a\",\"1\"\r\n\"b\",\"2\"\r\n", {}},
      {"\"a\",\"1\"\r\n\0\"b\",\"2\"\r\n\"c\",\"3\""s, UnreadLines{2, 2}},
      {"\"a\",\"1\0\"\r\n\"b\",\"2\"\r\n"s, UnreadLines{1, 2}},
      {"\0"s, UnreadLines{1, 1}},
      {"a,1\r\0\n\n"s, UnreadLines{2, 2}},
      {"a,1\r\n\0"s, UnreadLines{2, 1}},
  };
  for (const UnreadCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    const auto unread = ParseCodeList(c.bytes).unread;
    ASSERT_EQ(unread.has_value(), c.unread.has_value());
    if (unread) {
      EXPECT_EQ(std::pair(unread->first, unread->count), std::pair(c.unread->first, c.unread->count));
    }
  }
}

}  // namespace
}  // namespace brisvel
