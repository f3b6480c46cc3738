// The registration window driven with messages to its real controls: layout, the port
// setting, rename in place, load and save, the questions before changes are dropped and the
// list's keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app_win32/application_window.h"
#include "core/formats/sjis.h"
#include "under_wine.h"
#include "core/formats/wide_text_win32.h"
#include "file_bytes.h"
#include "form_environment.h"

namespace brisvel {
namespace {

using namespace testing_support;

std::string Sjis(const std::string& utf8) { return *sjis::FromUtf8(utf8); }

RECT ClientRectOf(HWND control, HWND form) {
  RECT place;
  GetWindowRect(control, &place);
  MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&place), 2);
  return place;
}

std::vector<std::string> Names(const CodeList& list) {
  std::vector<std::string> names;
  for (const auto& entry : list.entries()) names.push_back(sjis::ToUtf8(entry.name));
  return names;
}

class RegisterFormTest : public testing::Test {
 protected:
  // Rows whose codes differ, as a load leaves them (the file dialog is another test's).
  static void LoadRows(TRegisterForm& form, const std::vector<std::string>& names) {
    std::vector<CodeEntry> rows;
    for (size_t i = 0; i < names.size(); ++i) rows.push_back({Sjis(names[i]), std::string(480, static_cast<char>('0' + i))});
    form.commands().list().replaceAll(std::move(rows));
  }

  ScratchDir dir;
  ModalAnswers answers;
};

// A click on the task-bar button activates the application window; the user must land in
// the registration window.
TEST_F(RegisterFormTest, ActivatingTheApplicationWindowActivatesTheRegistrationWindow) {
  ApplicationWindow application(L"BrisvelRemo");
  TRegisterForm form(
      RegisterFormEnvironment{{dir / "brisvel.ini", [] { return PortsAt({"COM3"}); }, 30000, dir / "state"}, ProgramNotifications},
      application.handle());
  application.setMainWindow(form.handle());
  ShowWindow(form.handle(), SW_SHOW);
  ASSERT_EQ(GetWindow(form.handle(), GW_OWNER), application.handle());
  SetActiveWindow(application.handle());
  Pump(std::chrono::milliseconds(100));
  EXPECT_EQ(GetActiveWindow(), form.handle());
}

TEST_F(RegisterFormTest, LayoutMatchesTheDesign) {
  auto form = ShowForm(dir);
  ASSERT_EQ(form->dpi(), 96u) << "the designed pixels are those of 96 DPI";
  RECT client, outer;
  GetClientRect(form->handle(), &client);
  GetWindowRect(form->handle(), &outer);
  EXPECT_EQ(client.right, 379);
  EXPECT_EQ(client.bottom, 229);
  EXPECT_EQ(outer.left, 486);
  EXPECT_EQ(outer.top, 391);
  EXPECT_EQ(TextOf(form->handle()), L"リモコンデータ登録");
  const auto style = GetWindowLongPtrW(form->handle(), GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));

  struct Control {
    HWND handle;
    const wchar_t* caption;
    RECT place;  // in the window's client area: the frame's position plus the control's
  };
  for (const Control& control : {Control{form->DefinedGroupBox, L"ファイル", {5, 1, 374, 225}},
                                 Control{form->DataListView, L"", {13, 17, 366, 186}},
                                 Control{form->COMCombo, L"", {21, 193, 86, 213}},
                                 Control{form->AddButton, L"Add", {93, 193, 174, 218}},
                                 Control{form->SaveButton, L"Save", {197, 193, 278, 218}},
                                 Control{form->LoadButton, L"Load", {285, 193, 366, 218}}}) {
    SCOPED_TRACE(Utf8FromWide(control.caption));
    const RECT place = ClientRectOf(control.handle, form->handle());
    EXPECT_EQ(std::vector<LONG>({place.left, place.top, place.right, place.bottom}),
              std::vector<LONG>({control.place.left, control.place.top, control.place.right, control.place.bottom}));
    EXPECT_EQ(TextOf(control.handle), control.caption);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control.handle, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -12);
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
  }

  std::vector<HWND> tab_order{form->DataListView};
  for (HWND next = form->DataListView; (next = GetNextDlgTabItem(form->handle(), next, FALSE)) != form->DataListView;)
    tab_order.push_back(next);
  EXPECT_EQ(tab_order, (std::vector<HWND>{form->DataListView, form->LoadButton, form->SaveButton, form->COMCombo,
                                          form->AddButton}));

  HWND header = ListView_GetHeader(form->DataListView);
  ASSERT_EQ(Header_GetItemCount(header), 2);
  EXPECT_EQ(ListView_GetColumnWidth(form->DataListView, 0), 100);
  EXPECT_EQ(ListView_GetColumnWidth(form->DataListView, 1), 1792);
  // A drag on the data column's divider, scrolled into view, leaves its width alone.
  ListView_Scroll(form->DataListView, 1700, 0);
  RECT data;
  Header_GetItemRect(header, 1, &data);
  const int y = (data.top + data.bottom) / 2;
  SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(data.right - 1, y));
  SendMessageW(header, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(data.right - 300, y));
  SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(data.right - 300, y));
  EXPECT_EQ(ListView_GetColumnWidth(form->DataListView, 1), 1792) << "the data column's width is fixed";
  wchar_t title[32];
  HDITEMW item{};
  item.mask = HDI_TEXT;
  item.pszText = title;
  item.cchTextMax = 32;
  Header_GetItem(header, 1, &item);
  EXPECT_EQ(std::wstring(title), L"Data(240Byte)");
}

struct RenameCase {
  const char* label;
  std::wstring typed;
  std::string stored;  // UTF-8 of the Shift-JIS bytes the row then holds
  std::wstring error;  // the error dialog's text, if any
};

void PrintTo(const RenameCase& c, std::ostream* out) { *out << c.label; }

class RenameInPlaceTest : public RegisterFormTest, public testing::WithParamInterface<RenameCase> {};

// F2 opens the name's edit line; Enter ends it.
TEST_P(RenameInPlaceTest, EnterKeepsWhatShiftJisHolds) {
  if (GetParam().typed.empty() && UnderWine())
    GTEST_SKIP() << "wine reports an emptied name as a cancelled edit (no text), Windows as an empty text";
  auto form = ShowForm(dir);
  LoadRows(*form, {"old"});
  std::wstring error;
  if (!GetParam().error.empty()) answers.expect(L"エラー", Seen(error, Key(VK_RETURN)));
  ListView_SetItemState(form->DataListView, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SetFocus(form->DataListView);
  SendMessageW(form->DataListView, WM_KEYDOWN, VK_F2, 1);
  HWND edit = ListView_GetEditControl(form->DataListView);
  ASSERT_TRUE(edit);
  SetWindowTextW(edit, GetParam().typed.c_str());
  SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_EQ(form->commands().list().at(0).name, Sjis(GetParam().stored));
  EXPECT_EQ(CellText(form->DataListView, 0, 0), WideFromUtf8(GetParam().stored));
  EXPECT_EQ(error, GetParam().error);
  EXPECT_TRUE(answers.unanswered().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Names, RenameInPlaceTest,
    testing::Values(RenameCase{"japanese", L"テレビ 電源", "テレビ 電源", L""}, RenameCase{"empty", L"", "", L""},
                    RenameCase{"not_shift_jis", L"TV 📺", "old", L"「TV 📺」には Shift-JIS で表せない文字があるため使えません"}),
    [](const auto& p) { return std::string(p.param.label); });

// A 100,000-row file shows at once in the virtual list, Japanese as Japanese, and Save
// writes it back byte for byte under the default extension, whatever the system's code page
// (a second run of these tests names the one it asks wine for).
TEST_F(RegisterFormTest, LoadedFileIsShownAndSavedByteForByte) {
  if (const char* code_page = std::getenv("BRISVEL_EXPECT_CODE_PAGE")) {
    ASSERT_EQ(GetACP(), static_cast<UINT>(std::stoul(code_page)));
  }
  std::string text;
  for (int row = 0; row < 100000; ++row) {
    const std::string name = row == 0 ? Sjis("テレビ 電源") : "code " + std::to_string(row);
    text += "\"" + name + "\",\"" + std::string(480, "0123456789ABCDEF"[row % 16]) + "\"\r\n";
  }
  WriteFileBytes(dir / "codes.csv", text);
  auto form = ShowForm(dir);
  answers.expectFileDialog(ChooseFile(dir / "codes.csv"));
  SendMessageW(form->LoadButton, BM_CLICK, 0, 0);
  ASSERT_EQ(ListView_GetItemCount(form->DataListView), 100000);
  EXPECT_EQ(CellText(form->DataListView, 0, 0), L"テレビ 電源");
  EXPECT_EQ(CellText(form->DataListView, 99999, 0), L"code 99999");
  EXPECT_EQ(CellText(form->DataListView, 99999, 1), std::wstring(480, L'F'));
  EXPECT_EQ(TextOf(form->handle()), L"codes.csv - リモコンデータ登録");

  answers.expectFileDialog(ChooseFile(dir / "copy"));
  SendMessageW(form->SaveButton, BM_CLICK, 0, 0);
  EXPECT_TRUE(answers.unanswered().empty());
  EXPECT_TRUE(ReadFileBytes(dir / "copy.csv") == text) << "copy.csv differs";
}

TEST_F(RegisterFormTest, FileThatCannotBeOpenedIsReportedInTheDefaultBox) {
  auto form = ShowForm(dir);
  LoadRows(*form, {"kept"});
  std::wstring shown;
  answers.expectFileDialog(ChooseFile(dir / "missing.csv"));
  answers.expect(L"BrisvelRemo", Seen(shown, Key(VK_RETURN)));
  SendMessageW(form->LoadButton, BM_CLICK, 0, 0);
  EXPECT_TRUE(answers.unanswered().empty());
  EXPECT_EQ(shown.rfind(L"ファイル \"", 0), 0u) << Utf8FromWide(shown);
  EXPECT_NE(shown.find(L"missing.csv"), std::wstring::npos) << Utf8FromWide(shown);
  EXPECT_EQ(shown.back(), L'.');
  EXPECT_EQ(Names(form->commands().list()), std::vector<std::string>{"kept"});
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

// A row whose code another row holds carries the mark. The list's context menu, opened from
// the keyboard on a selected row, offers its commands in order, those that apply enabled; the
// one chosen, here the copy of the row's data text for other programs, runs.
TEST_F(RegisterFormTest, RepeatedCodesAreMarkedAndTheMenuOffersTheListCommands) {
  auto form = ShowForm(dir);
  form->commands().list().replaceAll(
      {{"a", std::string(480, '1')}, {"b", std::string(480, '2')}, {"c", std::string(480, '1')}});
  std::vector<bool> marked;
  for (int row = 0; row < 3; ++row) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    ListView_GetItem(form->DataListView, &item);
    marked.push_back(item.iImage >= 0);
  }
  EXPECT_EQ(marked, (std::vector<bool>{true, false, true}));
  ListView_SetItemState(form->DataListView, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  std::vector<std::pair<std::wstring, bool>> items;
  answers.expectPopupMenu([&](HWND menu_window) {
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menu_window, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      wchar_t text[64] = L"";
      GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
      const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
      if (!(state & MF_SEPARATOR)) items.push_back({std::wstring(text).substr(0, std::wstring(text).find(L'\t')), !(state & MF_GRAYED)});
    }
    for (int down = 0; down < 3; ++down) PressKey(VK_DOWN);  // to データをコピー
    PressKey(VK_RETURN);
  });
  SetCursorPos(0, 0);  // away from the menu: the pointer over an item would select it
  SendMessageW(form->handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form->DataListView), -1);
  EXPECT_TRUE(answers.unanswered().empty());
  EXPECT_EQ(items, (std::vector<std::pair<std::wstring, bool>>{{L"元に戻す", false},
                                                               {L"やり直し", false},
                                                               {L"データをコピー", true},
                                                               {L"削除", true},
                                                               {L"上へ移動", true},
                                                               {L"下へ移動", true},
                                                               {L"送信", true},
                                                               {L"コードを表示", true}}));
  EXPECT_EQ(ClipboardText(), std::wstring(480, L'2'));
}

struct CloseCase {
  const char* label;
  std::function<ModalAnswers::Answer()> answer;
  bool closes;
};

void PrintTo(const CloseCase& c, std::ostream* out) { *out << c.label; }

class UnsavedChangesTest : public RegisterFormTest, public testing::WithParamInterface<CloseCase> {};

// The question offers 保存 (the default, Enter), 破棄 and キャンセル (Esc, the close box).
TEST_P(UnsavedChangesTest, CloseAsksFirst) {
  auto form = ShowForm(dir);
  LoadRows(*form, {"a", "b"});
  ListView_SetItemState(form->DataListView, 0, LVIS_SELECTED, LVIS_SELECTED);
  SendMessageW(form->DataListView, WM_KEYDOWN, VK_DELETE, 1);
  std::vector<std::wstring> buttons;
  std::wstring default_button;
  answers.expect(L"リモコンデータ登録", [&](HWND box) {
    for (HWND button : ChildrenOfClass(box, L"Button")) buttons.push_back(TextOf(button));
    default_button = TextOf(GetFocus());
    GetParam().answer()(box);
  });
  if (GetParam().label == std::string("save")) answers.expectFileDialog(ChooseFile(dir / "rows.csv"));
  SendMessageW(form->handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(answers.unanswered().empty());
  EXPECT_EQ(buttons, (std::vector<std::wstring>{L"保存", L"破棄", L"キャンセル"}));
  EXPECT_EQ(default_button, L"保存");
  EXPECT_EQ(form->closed(), GetParam().closes);
  EXPECT_EQ(std::filesystem::exists(dir / "brisvel.ini"), GetParam().closes);
  if (GetParam().label == std::string("save")) {
    EXPECT_EQ(ReadFileBytes(dir / "rows.csv"), "\"b\",\"" + std::string(480, '1') + "\"\r\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UnsavedChangesTest,
    testing::Values(CloseCase{"save", [] { return Key(VK_RETURN); }, true},
                    CloseCase{"discard", [] { return Press(L"破棄"); }, true},
                    CloseCase{"escape", [] { return Key(VK_ESCAPE); }, false},
                    CloseCase{"close_box", [] { return CloseBox(); }, false}),
    [](const auto& p) { return std::string(p.param.label); });

struct RestoreCase {
  const char* label;
  std::function<ModalAnswers::Answer()> answer;
  std::vector<std::string> names;  // the list at the next start
};

void PrintTo(const RestoreCase& c, std::ostream* out) { *out << c.label; }

class RecoveryTest : public RegisterFormTest, public testing::WithParamInterface<RestoreCase> {};

// A window that went without closing left its changes behind: the next start asks, in a box
// captioned with the application's title, whether to restore them (復元, the default) or drop
// them (破棄, Esc); either way the question is not asked again.
TEST_P(RecoveryTest, NextStartOffersTheWorkLeftBehind) {
  {
    auto crashed = ShowForm(dir);  // two codes captured, as Add appends them
    crashed->commands().list().append({"a", std::string(480, '1')});
    crashed->commands().list().append({"c", std::string(480, '2')});
  }
  std::vector<std::wstring> buttons;
  std::wstring question;
  answers.expect(L"BrisvelRemo", [&](HWND box) {
    question = ShownText(box);
    for (HWND button : ChildrenOfClass(box, L"Button")) buttons.push_back(TextOf(button));
    GetParam().answer()(box);
  });
  auto form = ShowForm(dir);
  EXPECT_TRUE(answers.unanswered().empty());
  EXPECT_EQ(buttons, (std::vector<std::wstring>{L"復元", L"破棄"})) << Utf8FromWide(question);
  EXPECT_EQ(Names(form->commands().list()), GetParam().names);
  EXPECT_EQ(ListView_GetItemCount(form->DataListView), static_cast<int>(GetParam().names.size()));
  if (!GetParam().names.empty()) answers.expect(L"リモコンデータ登録", Press(L"破棄"));  // unsaved, restored
  SendMessageW(form->handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(form->closed());
  form.reset();
  answers.expect(L"BrisvelRemo", Key(VK_ESCAPE));
  ShowForm(dir);
  EXPECT_EQ(answers.unanswered().size(), 1u) << "asked again";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RecoveryTest,
    testing::Values(RestoreCase{"restore", [] { return Key(VK_RETURN); }, {"a", "c"}},
                    RestoreCase{"drop", [] { return Key(VK_ESCAPE); }, {}}),
    [](const auto& p) { return std::string(p.param.label); });

struct KeysCase {
  const char* label;
  std::vector<std::pair<WPARAM, bool>> keys;  // key, with Ctrl
  std::vector<std::string> names;
  int selected;
  const wchar_t* caption;  // with the unsaved mark or without
};

void PrintTo(const KeysCase& c, std::ostream* out) { *out << c.label; }

class ListKeysTest : public RegisterFormTest, public testing::WithParamInterface<KeysCase> {};

// The list's commands on their keys, with the second row selected; the selection follows.
TEST_P(ListKeysTest, ReachTheCommands) {
  auto form = ShowForm(dir);
  LoadRows(*form, {"a", "b", "c"});
  ListView_SetItemState(form->DataListView, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  for (auto [key, control] : GetParam().keys) SendKeyWith(form->DataListView, key, control);
  EXPECT_EQ(Names(form->commands().list()), GetParam().names);
  EXPECT_EQ(ListView_GetNextItem(form->DataListView, -1, LVNI_SELECTED), GetParam().selected);
  EXPECT_EQ(TextOf(form->handle()), GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ListKeysTest,
    testing::Values(KeysCase{"delete", {{VK_DELETE, false}}, {"a", "c"}, 1, L"*リモコンデータ登録"},
                    KeysCase{"move_up", {{VK_UP, true}}, {"b", "a", "c"}, 0, L"*リモコンデータ登録"},
                    KeysCase{"move_down", {{VK_DOWN, true}}, {"a", "c", "b"}, 2, L"*リモコンデータ登録"},
                    KeysCase{"delete_undo", {{VK_DELETE, false}, {'Z', true}}, {"a", "b", "c"}, 1, L"リモコンデータ登録"}),
    [](const auto& p) { return std::string(p.param.label); });

}  // namespace
}  // namespace brisvel

namespace brisvel {
namespace {

// Undo and redo act wherever the focus is in the window, but a text field keeps its own.
TEST_F(RegisterFormTest, UndoAndRedoAreWindowWideButTheEditFieldKeepsItsOwn) {
  auto form = ShowForm(dir);
  LoadRows(*form, {"a", "b"});
  form->commands().Delete(0);
  PressKeyThroughMainLoop(*form, form->SaveButton, 'Z', true);
  EXPECT_EQ(Names(form->commands().list()), (std::vector<std::string>{"a", "b"}));
  PressKeyThroughMainLoop(*form, form->SaveButton, 'Y', true);
  EXPECT_EQ(Names(form->commands().list()), (std::vector<std::string>{"b"}));
  HWND field = FindWindowExW(form->COMCombo, nullptr, WC_EDITW, nullptr);
  ASSERT_NE(field, nullptr);
  PressKeyThroughMainLoop(*form, field, 'Z', true);
  EXPECT_EQ(Names(form->commands().list()), (std::vector<std::string>{"b"}));
}

}  // namespace
}  // namespace brisvel
