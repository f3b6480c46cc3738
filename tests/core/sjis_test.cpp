#include "core/formats/sjis.h"

#include <gtest/gtest.h>

namespace brisvel::sjis {
namespace {

struct DecodeCase {
  const char* label;
  std::string sjis;
  std::string utf8;
};

class DecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, DecodesForDisplay) { EXPECT_EQ(ToUtf8(GetParam().sjis), GetParam().utf8); }

INSTANTIATE_TEST_SUITE_P(
    Sjis, DecodeTest,
    testing::Values(
        DecodeCase{"ascii", "AB 09", "AB 09"},
        DecodeCase{"kanji", "\x83\x65\x83\x8c\x83\x72", "テレビ"},
        DecodeCase{"trail_0x5C", "\x83\x5c", "ソ"},
        DecodeCase{"trail_0x7C", "\x83\x7c", "ポ"},
        DecodeCase{"halfwidth_katakana", "\xb1\xb2", "ｱｲ"},
        DecodeCase{"lone_lead_at_end", "A\x83", "A\xEF\xBF\xBD"},
        DecodeCase{"undefined_bytes_each_replaced", "\xa0\xfd" "B", "\xEF\xBF\xBD\xEF\xBF\xBD" "B"},
        DecodeCase{"empty", "", ""}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(SjisEncode, RoundTripsJapaneseText) {
  const std::string text = "電源ボタン ｱｲｳ ～";
  auto bytes = FromUtf8(text);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(ToUtf8(*bytes), text);
}

TEST(SjisEncode, RefusesCharactersOutsideShiftJis) {
  EXPECT_FALSE(FromUtf8("TV 📺").has_value());
  EXPECT_FALSE(FromUtf8("한국어").has_value());
  EXPECT_TRUE(FromUtf8("plain").has_value());
}

}  // namespace
}  // namespace brisvel::sjis

namespace brisvel::sjis {
namespace {

struct LimitCase {
  const char* label;
  std::string before, after;  // the caret between them
  std::optional<EditedLine> kept;
};

class FitToLimitTest : public testing::TestWithParam<LimitCase> {};

// A 6-byte line: whole characters, counted in Shift-JIS bytes, and only what came in is cut.
TEST_P(FitToLimitTest, KeepsTheWholeCharactersThatFit) {
  const auto kept = FitToLimit(GetParam().before, GetParam().after, 6);
  ASSERT_EQ(kept.has_value(), GetParam().kept.has_value());
  if (!kept) return;
  EXPECT_EQ(kept->before, GetParam().kept->before);
  EXPECT_EQ(kept->after, GetParam().kept->after);
}

INSTANTIATE_TEST_SUITE_P(
    Sjis, FitToLimitTest,
    testing::Values(LimitCase{"fits", "ab", "テレ", std::nullopt},
                    LimitCase{"ascii_at_the_end", "abcdefg", "", EditedLine{"abcdef", ""}},
                    LimitCase{"kanji_across_the_limit", "abcテレ", "", EditedLine{"abcテ", ""}},
                    LimitCase{"halfwidth_kana_one_byte", "ｱｲｳｴｵｶｷ", "", EditedLine{"ｱｲｳｴｵｶ", ""}},
                    LimitCase{"caret_in_the_middle", "aテレビ", "xy", EditedLine{"aテ", "xy"}},
                    LimitCase{"what_follows_alone_too_long", "z", "abcdefgh", EditedLine{"", "abcdef"}},
                    LimitCase{"not_shift_jis_stays", "📺📺📺📺", "", std::nullopt}),
    [](const auto& p) { return std::string(p.param.label); });

}  // namespace
}  // namespace brisvel::sjis
