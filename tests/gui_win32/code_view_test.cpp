// The code view window, opened from the registration window's list as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "commands/code_view.h"
#include "core/formats/wide_text_win32.h"
#include "form_environment.h"

namespace brisvel {
namespace {

using namespace testing_support;

// The texts the view shows above its run list: the name, then the decoded line.
std::wstring NameAndSummary(const CodeList& list, std::size_t row) {
  const CodeView view = ViewOfRow(list, row);
  return WideFromUtf8(view.name + view.summary);
}

// Enter on a row opens the view beside the window; it follows the selection, Esc closes it,
// and the menu's item brings the same window back.
TEST(CodeViewTest, EnterAndTheMenuOpenTheViewThatFollowsTheSelection) {
  ScratchDir dir;
  ModalAnswers answers;
  auto form = ShowForm(dir);
  SetWindowPos(form->handle(), nullptr, 10, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // room on its right
  const CodeList& list = form->commands().list();
  form->commands().list().replaceAll({{"tv", "00FF" + std::string(476, '0')}, {"fan", std::string(480, 'F')}});
  SelectRow(form->DataListView, 0);
  PressKeyThroughMainLoop(*form, form->DataListView, VK_RETURN);
  HWND view = FindThreadWindow(L"コードを表示");
  ASSERT_NE(view, nullptr);
  RECT beside, placed;
  GetWindowRect(form->handle(), &beside);
  GetWindowRect(view, &placed);
  EXPECT_EQ(std::vector<LONG>({placed.left, placed.top}), std::vector<LONG>({beside.right, beside.top}));
  EXPECT_EQ(ShownText(view), NameAndSummary(list, 0));

  SelectRow(form->DataListView, 1);
  EXPECT_EQ(ShownText(view), NameAndSummary(list, 1));
  form->commands().Rename(1, "fan off");
  EXPECT_EQ(ShownText(view), NameAndSummary(list, 1)) << "a change of the list";

  PressKeyThroughMainLoop(*form, ChildrenOfClass(view, L"Edit").at(0), VK_ESCAPE);
  EXPECT_FALSE(IsWindowVisible(view));

  answers.expectPopupMenu([](HWND) {
    for (int down = 0; down < 8; ++down) PressKey(VK_DOWN);  // to コードを表示
    PressKey(VK_RETURN);
  });
  SetCursorPos(0, 0);  // away from the menu: the pointer over an item would select it
  SendMessageW(form->handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->DataListView), -1);
  EXPECT_TRUE(answers.unanswered().empty());
  EXPECT_EQ(FindThreadWindow(L"コードを表示"), view);
  EXPECT_EQ(ShownText(view), NameAndSummary(list, 1));
}

}  // namespace
}  // namespace brisvel
