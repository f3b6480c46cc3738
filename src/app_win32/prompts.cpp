#include "app_win32/prompts.h"

#include <commdlg.h>

#include <algorithm>

#include "commands/messages.h"
#include "commands/user_interface.h"
#include "core/formats/sjis.h"
#include "core/formats/wide_text_win32.h"

namespace brisvel {
namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;

int ButtonWidth(const std::wstring& caption) { return std::max(75, static_cast<int>(MeasureText(caption, 0, true).cx) + 16); }

// Half the primary screen's width, in the 96-DPI units of a dialog's design.
int HalfScreenWidth() {
  const int dpi = static_cast<int>(GetDpiForSystem());
  return MulDiv(GetSystemMetrics(SM_CXSCREEN), 96, dpi) / 2;
}

}  // namespace

MessageDialog::MessageDialog(const Design& design)
    : default_button_(design.default_button), escape_button_(design.escape_button) {
  create(design.caption, kDialogStyle, {0, 0}, std::nullopt, ActiveThreadWindow());
  layOut(design);
}

void MessageDialog::layOut(const Design& design) {
  const SIZE text = MeasureText(design.text, HalfScreenWidth(), design.mnemonics);
  const int text_left = kMargin + kIconSize + kMargin;
  HWND icon = addControl(L"STATIC", L"", SS_ICON | SS_REALSIZECONTROL, {kMargin, kMargin, kIconSize, kIconSize});
  SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, design.icon)), 0);
  const int text_top = kMargin + std::max(0, (kIconSize - static_cast<int>(text.cy)) / 2);
  text_ = addControl(L"STATIC", design.text, SS_LEFT | (design.mnemonics ? 0 : SS_NOPREFIX),
                     {text_left, text_top, static_cast<int>(text.cx), static_cast<int>(text.cy)});

  int row_width = -kButtonGap;
  for (const auto& caption : design.buttons) row_width += ButtonWidth(caption) + kButtonGap;
  const int width = std::max(text_left + static_cast<int>(text.cx) + kMargin, row_width + 2 * kMargin);
  const int buttons_top = std::max(kMargin + kIconSize, text_top + static_cast<int>(text.cy)) + 14;
  int left = (width - row_width) / 2;
  for (size_t i = 0; i < design.buttons.size(); ++i) {
    const int index = static_cast<int>(i);
    const DWORD kind = index == default_button_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    const int button_width = ButtonWidth(design.buttons[i]);
    buttons_.push_back(addControl(L"BUTTON", design.buttons[i], kind | WS_TABSTOP,
                                  {left, buttons_top, button_width, kButtonHeight}, kFirstButtonId + index));
    left += button_width + kButtonGap;
  }
  resize({width, buttons_top + kButtonHeight + kMargin});
  centreOnScreen();
}

int MessageDialog::Execute() {
  focusOnShow(button(default_button_));
  // Mnemonics are underlined at once, not only after Alt, as the text asks for them.
  SendMessageW(handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
  return ShowModal() - 1;
}

void MessageDialog::command(int id, int, HWND) {
  if (id == IDCANCEL) setModalResult(escape_button_ + 1);
  if (id >= kFirstButtonId && id < kFirstButtonId + static_cast<int>(buttons_.size()))
    setModalResult(id - kFirstButtonId + 1);
}

void MessageDialog::closeRequested() { setModalResult(escape_button_ + 1); }

int MessageDialog::defaultButtonId() const { return kFirstButtonId + default_button_; }

void ShowErrorDialog(const std::string& message) {
  MessageDialog dialog({L"エラー", IDI_ERROR, WideFromUtf8(message), true, {L"OK"}, 0, 0});
  dialog.Execute();
}

void ShowDefaultError(const std::string& message) { ShowDefaultErrorBox(WithClosingPeriod(message)); }

// Owned by the active window, the box disables it; with none, task-modal disables them all.
void ShowDefaultErrorBox(const std::string& text) {
  HWND owner = ActiveThreadWindow();
  MessageBoxW(owner, WideFromUtf8(text).c_str(), kApplicationTitle, MB_OK | MB_ICONERROR | (owner ? 0 : MB_TASKMODAL));
}

int AskChoice(const std::string& caption, const std::string& question, const std::vector<std::string>& buttons,
              int default_button, int escape_button) {
  std::vector<std::wstring> captions;
  for (const auto& button : buttons) captions.push_back(WideFromUtf8(button));
  MessageDialog dialog({WideFromUtf8(caption), IDI_QUESTION, WideFromUtf8(question), false, captions, default_button,
                        escape_button});
  return dialog.Execute();
}

InputQueryDialog::InputQueryDialog(const std::wstring& caption, const std::wstring& prompt, const std::wstring& initial,
                                   int max_sjis_bytes)
    : max_sjis_bytes_(max_sjis_bytes) {
  create(caption, kDialogStyle, {0, 0}, std::nullopt, ActiveThreadWindow());
  addControl(L"STATIC", prompt, SS_LEFT | SS_NOPREFIX, {kMargin, kMargin, 256, 14});
  edit_ = addControl(L"EDIT", initial, ES_AUTOHSCROLL | WS_TABSTOP, {kMargin, 30, 256, 21}, kEditId, WS_EX_CLIENTEDGE);
  addControl(L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {112, 62, 75, kButtonHeight}, IDOK);
  addControl(L"BUTTON", L"キャンセル", BS_PUSHBUTTON | WS_TABSTOP, {193, 62, 75, kButtonHeight}, IDCANCEL);
  resize({280, 62 + kButtonHeight + kMargin});
  centreOnScreen();
  keepWithinLimit();
}

std::optional<std::string> InputQueryDialog::Execute() {
  focusOnShow(edit_);
  SendMessageW(edit_, EM_SETSEL, 0, -1);
  if (ShowModal() != kResultOk) return std::nullopt;
  return Utf8FromWide(value());
}

std::wstring InputQueryDialog::value() const { return WindowText(edit_); }

void InputQueryDialog::command(int id, int code, HWND) {
  if (id == kEditId && code == EN_UPDATE) keepWithinLimit();
  if (id == IDCANCEL) setModalResult(kResultCancel);
  if (id != IDOK) return;
  const std::string typed = Utf8FromWide(value());
  if (!sjis::FromUtf8(typed)) {
    ShowErrorDialog(NotShiftJisMessage(typed));
    return;
  }
  setModalResult(kResultOk);
}

// Typing or a paste that does not fit is cut after the last whole character that does, as an
// edit control with a text limit cuts it, but counting Shift-JIS bytes. What was typed or
// pasted ends at the caret; the text after it is what the line held before. Text Shift-JIS
// cannot hold stays, so that OK can say what is wrong with it.
void InputQueryDialog::keepWithinLimit() {
  if (limiting_) return;
  const std::wstring text = value();
  DWORD caret = 0;
  SendMessageW(edit_, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
  const size_t split = std::min<size_t>(caret, text.size());
  const auto kept = sjis::FitToLimit(Utf8FromWide(text.substr(0, split)), Utf8FromWide(text.substr(split)),
                                     static_cast<size_t>(max_sjis_bytes_));
  if (!kept) return;
  const std::wstring before = WideFromUtf8(kept->before);
  limiting_ = true;
  SetWindowTextW(edit_, (before + WideFromUtf8(kept->after)).c_str());
  SendMessageW(edit_, EM_SETSEL, before.size(), before.size());
  limiting_ = false;
}

std::optional<std::string> AskText(const std::string& caption, const std::string& prompt, const std::string& initial,
                                   int max_sjis_bytes) {
  InputQueryDialog dialog(WideFromUtf8(caption), WideFromUtf8(prompt), WideFromUtf8(initial), max_sjis_bytes);
  return dialog.Execute();
}

std::optional<std::filesystem::path> FileDialog::Execute(HWND owner, const std::filesystem::path& folder,
                                                         const std::optional<std::filesystem::path>& file) const {
  std::wstring name(32768, L'\0');
  if (file) name.replace(0, file->native().size(), file->native());
  const std::wstring initial_folder = folder.native();
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = name.data();
  dialog.nMaxFile = static_cast<DWORD>(name.size());
  dialog.lpstrInitialDir = initial_folder.c_str();
  dialog.lpstrDefExt = default_extension;
  dialog.Flags = flags;
  const BOOL chosen = kind == Kind::Save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
  if (!chosen) return std::nullopt;
  return std::filesystem::path(name.c_str());
}

}  // namespace brisvel
