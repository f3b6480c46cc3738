// Sending a row's code from the registration window to the simulated unit on a COM port the
// line server lends, from the list's menu and on Ctrl+Enter.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/formats/wide_text_win32.h"
#include "form_environment.h"
#include "unit_sim_process.h"

namespace brisvel {
namespace {

using namespace testing_support;

HWND NoteWindow() {
  return FindThreadWindow([](HWND window) { return ClassOf(window) == TOOLTIPS_CLASSW; });
}

// The note a send leaves at the row, while it is up.
std::wstring NoteShown() { return NoteWindow() ? TextOf(NoteWindow()) : L""; }

// As its time running out would.
void HideNote() {
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  SendMessageW(NoteWindow(), TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(NoteWindow(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

// The output the send menu marks, opened and closed again.
std::wstring MarkedOutput(TRegisterForm& form, ModalAnswers& answers) {
  std::wstring marked;
  answers.expectPopupMenu([&marked](HWND menu_window) {
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menu_window, MN_GETHMENU, 0, 0));
    HMENU outputs = GetSubMenu(menu, GetMenuItemCount(menu) - 2);
    for (int i = 0; i < GetMenuItemCount(outputs); ++i) {
      wchar_t text[16] = L"";
      GetMenuStringW(outputs, static_cast<UINT>(i), text, 16, MF_BYPOSITION);
      if (GetMenuState(outputs, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) marked += text;
    }
    EndMenu();
  });
  SendMessageW(form.handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form.DataListView), -1);
  Pump(std::chrono::milliseconds(100));  // what the menu left behind, before another opens
  return marked;
}

// The menu's 出力 2 sends the selected row from output 2, which is then marked, and Ctrl+Enter,
// wherever the focus is in the window, sends on it again.
TEST(SendTest, MenuOutputAndCtrlEnterSendTheSelectedRow) {
  Simulator unit({"--delay", "0.3"});
  ASSERT_FALSE(unit.DevicePath().empty()) << "no line server (BRISVEL_LINE_SERVER)";
  ScratchDir dir;
  ModalAnswers answers;
  auto form = ShowForm(dir, {"COM3"});
  SetWindowTextW(form->COMCombo, WideFromUtf8(unit.DevicePath()).c_str());
  form->commands().list().replaceAll({{"tv", "00FF" + std::string(476, '0')}});
  SelectRow(form->DataListView, 0);
  EXPECT_EQ(MarkedOutput(*form, answers), L"出力 1");

  answers.expectPopupMenu([](HWND) {
    for (int down = 0; down < 7; ++down) PressKey(VK_DOWN);  // to 送信
    for (WPARAM key : {VK_RIGHT, VK_DOWN, VK_RETURN}) PressKey(key);  // its 出力 2
  });
  SetCursorPos(0, 0);  // away from the menu: the pointer over an item would select it
  SendMessageW(form->handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->DataListView), -1);
  EXPECT_TRUE(answers.unanswered().empty());
  EXPECT_EQ(NoteShown(), L"送信しました（出力 2）");
  EXPECT_EQ(MarkedOutput(*form, answers), L"出力 2");

  HideNote();
  ASSERT_EQ(NoteShown(), L"");
  PressKeyThroughMainLoop(*form, form->SaveButton, VK_RETURN, true);
  EXPECT_EQ(NoteShown(), L"送信しました（出力 2）") << "sent again on the output last used";
}

}  // namespace
}  // namespace brisvel
