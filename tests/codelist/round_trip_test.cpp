#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/formats/code_list_file.h"

namespace brisvel {
namespace {

// Whole characters only: a text may not end in a lone lead byte (see FormatCodeList).
const std::vector<std::string> kPieces{
    "a", "Z", "0", " ", "\t", ",", "\"", "\"\"", "\x01",
    "\x83\x5c", "\x83\x7c", "\x81\x81", "\x95\x5c", "\x88\x9f",  // kanji, some with 0x5C/0x7C/lead-range trails
    "\xb1", "\xdf",                                              // half-width katakana
    "\x80", "\xa0", "\xfd", "\xff",                              // not Shift-JIS
    "\x81\"", "\x83,", "\x83 ",                                  // a lead byte taking a separator
};
const std::vector<std::string> kBreaks{"\r\n", "\r", "\n", "\x83\r", "\x83\n"};

class RandomLists {
 public:
  std::string Text(const std::vector<std::string>& extra = {}) {
    std::string text;
    for (size_t n = Below(12); n > 0; --n) {
      text += extra.empty() || Below(4) != 0 ? kPieces[Below(kPieces.size())] : extra[Below(extra.size())];
    }
    return text;
  }

  std::string Hex() {
    std::string data;
    for (int i = 0; i < 480; ++i) data += "0123456789ABCDEF"[Below(16)];
    return data;
  }

  std::vector<CodeEntry> List(const std::vector<std::string>& extra = {}) {
    std::vector<CodeEntry> entries(Below(8));
    for (CodeEntry& entry : entries) {
      entry.name = Text(extra);
      entry.data = Below(3) == 0 ? Hex() : Text(extra);
    }
    return entries;
  }

  std::string Soup() {
    static const std::string kBytes{'"', '"', ',', ' ', '\r', '\n', 'a', 'b', '\x81', '\x83', '\xb1', '\t'};
    std::string soup;
    for (size_t n = Below(60); n > 0; --n) soup += kBytes[Below(kBytes.size())];
    if (Below(20) == 0) soup.insert(Below(soup.size() + 1), 1, '\0');
    return soup;
  }

 private:
  size_t Below(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random_); }
  std::mt19937 random_{20260512};
};

std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    out += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : "\\x" + std::to_string(c);
  }
  return out;
}

TEST(RoundTrip, ListsWithoutBreaksComeBackByteExactOneLineEach) {
  RandomLists random;
  for (int round = 0; round < 3000; ++round) {
    const std::vector<CodeEntry> entries = random.List();
    const std::string bytes = FormatCodeList(entries);
    const LoadedCodeList loaded = ParseCodeList(bytes);
    ASSERT_EQ(loaded.entries, entries) << Printable(bytes);
    ASSERT_FALSE(loaded.error.has_value()) << Printable(bytes);
    ASSERT_EQ(static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')), entries.size());
  }
}

// Whatever a load produced, including texts holding line breaks, saving and loading it again
// gives the same rows, and a load without an error stays without one.
TEST(RoundTrip, LoadedListsSurviveSaveAndLoad) {
  RandomLists random;
  for (int round = 0; round < 20000; ++round) {
    const std::string soup = random.Soup();
    const LoadedCodeList first = ParseCodeList(soup);
    const std::string bytes = FormatCodeList(first.entries);
    const LoadedCodeList second = ParseCodeList(bytes);
    ASSERT_EQ(second.entries, first.entries) << Printable(soup) << " -> " << Printable(bytes);
    ASSERT_TRUE(first.error || !second.error) << Printable(soup) << " -> " << Printable(bytes);
  }
}

// Breaks a file cannot hold as they are (lone CR or LF) come back as CR LF; after that first
// save every save writes the same bytes and loads the same rows.
TEST(RoundTrip, ListsWithAnyBreaksSettleAfterOneSave) {
  RandomLists random;
  for (int round = 0; round < 3000; ++round) {
    const std::vector<CodeEntry> entries = random.List(kBreaks);
    const std::string bytes = FormatCodeList(entries);
    const LoadedCodeList loaded = ParseCodeList(bytes);
    ASSERT_EQ(loaded.entries.size(), entries.size()) << Printable(bytes);
    ASSERT_EQ(FormatCodeList(loaded.entries), bytes) << Printable(bytes);
  }
}

}  // namespace
}  // namespace brisvel
