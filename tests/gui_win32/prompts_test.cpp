// The boxes on their own: the input dialog's Shift-JIS limit and keys, the error dialog's
// caption, text width and keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "app_win32/prompts.h"
#include "core/formats/wide_text_win32.h"
#include "window_driver.h"

namespace brisvel {
namespace {

using namespace testing_support;

struct PasteCase {
  const char* label;
  std::wstring typed;   // in the line before the paste, the caret at its end
  std::wstring pasted;
  std::wstring kept;    // what OK then returns
};

void PrintTo(const PasteCase& c, std::ostream* out) { *out << c.label; }

class NamePasteTest : public testing::TestWithParam<PasteCase> {};

// The name holds at most 255 bytes of Shift-JIS: a paste keeps the whole characters that fit.
TEST_P(NamePasteTest, KeepsTheWholeCharactersThatFit) {
  ModalAnswers answers;
  answers.expect(L"リモコンデータ登録", [](HWND box) {
    HWND edit = ChildrenOfClass(box, L"Edit").at(0);
    SetWindowTextW(edit, GetParam().typed.c_str());
    SendMessageW(edit, EM_SETSEL, GetParam().typed.size(), GetParam().typed.size());
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(GetParam().pasted.c_str()));
    PressKey(VK_RETURN);
  });
  const auto name = AskText("リモコンデータ登録", "データ名を入力", "", 255);
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(WideFromUtf8(*name), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Pastes, NamePasteTest,
    testing::Values(PasteCase{"ascii_at_the_limit", std::wstring(255, L'a'), L"x", std::wstring(255, L'a')},
                    PasteCase{"kanji_two_bytes_each", std::wstring(250, L'a'), L"テレビ", std::wstring(250, L'a') + L"テレ"},
                    PasteCase{"halfwidth_kana_one_byte", std::wstring(250, L'a'), L"ｱｲｳｴｵｶ",
                              std::wstring(250, L'a') + L"ｱｲｳｴｵ"},
                    PasteCase{"kanji_across_the_limit", std::wstring(254, L'a'), L"電源", std::wstring(254, L'a')},
                    PasteCase{"spaces_kept_as_typed", L"", L"  TV  ", L"  TV  "}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(NameDialog, EscapeAndTheCloseBoxCancel) {
  for (auto answer : {Key(VK_ESCAPE), CloseBox()}) {
    ModalAnswers answers;
    answers.expect(L"caption", [answer](HWND box) {
      SetWindowTextW(ChildrenOfClass(box, L"Edit").at(0), L"typed");
      answer(box);
    });
    EXPECT_EQ(AskText("caption", "prompt", "", 255), std::nullopt);
    EXPECT_TRUE(answers.unanswered().empty());
  }
}

// The error dialog: "エラー", the text word-wrapped within half the screen's width, centred,
// OK on Enter and on Esc.
TEST(ErrorDialog, CaptionTextWidthAndKeys) {
  const std::wstring long_text(400, L'長');
  for (WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
    SCOPED_TRACE(key);
    ModalAnswers answers;
    std::wstring shown;
    LONG text_width = 0, left = 0, right = 0;
    std::vector<std::wstring> buttons;
    answers.expect(L"エラー", [&](HWND box) {
      shown = ShownText(box);
      for (HWND text : ChildrenOfClass(box, L"Static")) {
        RECT place;
        GetWindowRect(text, &place);
        text_width = std::max(text_width, place.right - place.left);
      }
      for (HWND button : ChildrenOfClass(box, L"Button")) buttons.push_back(TextOf(button));
      RECT outer;
      GetWindowRect(box, &outer);
      left = outer.left;
      right = GetSystemMetrics(SM_CXSCREEN) - outer.right;
      PressKey(key);
    });
    ShowErrorDialog(Utf8FromWide(L"error -- open\n" + long_text));
    EXPECT_TRUE(answers.unanswered().empty());
    EXPECT_EQ(shown, L"error -- open\n" + long_text);
    EXPECT_LE(text_width, GetSystemMetrics(SM_CXSCREEN) / 2);
    EXPECT_GT(text_width, GetSystemMetrics(SM_CXSCREEN) / 4) << "the text uses the width it has";
    EXPECT_LE(std::abs(left - right), 1) << "centred on the screen";
    EXPECT_EQ(buttons, std::vector<std::wstring>{L"OK"});
  }
}

}  // namespace
}  // namespace brisvel
