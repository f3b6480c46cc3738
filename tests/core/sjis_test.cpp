#include "core/sjis.h"

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
