// The registration window (TRegisterForm) in Win32.
#include "app_win32/register_main.h"

#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>

#include "app_win32/form_user_interface.h"
#include "core/formats/wide_text_win32.h"
#include "serial_win32/win32_notification_window.h"

namespace brisvel {
namespace {

enum ControlId : int { kListId = 100, kLoadId, kSaveId, kComboId, kAddId, kGroupId };

constexpr wchar_t kCsvFilter[] = L"csv\0*.csv\0";
// The save dialog replaces a file without asking; the open dialog takes the typed name of a
// missing file, so that the load reports it.
constexpr DWORD kFileDialogFlags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;

constexpr int kComboFieldHeight = 20;
constexpr int kComboItemHeight = 12;
constexpr int kComboListHeight = 200;

// Positions inside the group frame are relative to it; the controls are the window's own
// children, so that their notifications reach the window.
constexpr DesignRect kGroup{5, 1, 369, 224};
constexpr DesignRect InGroup(DesignRect place) {
  return {kGroup.left + place.left, kGroup.top + place.top, place.width, place.height};
}

struct MenuItem {
  int command;  // 0 for a separator
  const wchar_t* text;
};
constexpr MenuItem kListMenu[] = {
    {TRegisterForm::UndoCommand, L"元に戻す\tCtrl+Z"}, {TRegisterForm::RedoCommand, L"やり直し\tCtrl+Y"},
    {0, nullptr},
    {TRegisterForm::CopyCommand, L"データをコピー\tCtrl+C"}, {TRegisterForm::DeleteCommand, L"削除\tDel"},
    {0, nullptr},
    {TRegisterForm::MoveUpCommand, L"上へ移動\tCtrl+Up"}, {TRegisterForm::MoveDownCommand, L"下へ移動\tCtrl+Down"},
};
constexpr wchar_t kSendMenuText[] = L"送信\tCtrl+Enter";
constexpr wchar_t kViewMenuText[] = L"コードを表示\tEnter";

struct Shortcut {
  WPARAM key;
  bool control;
  bool shift;
  int command;
};
constexpr Shortcut kListShortcuts[] = {
    {VK_DELETE, false, false, TRegisterForm::DeleteCommand}, {VK_UP, true, false, TRegisterForm::MoveUpCommand},
    {VK_DOWN, true, false, TRegisterForm::MoveDownCommand},  {'C', true, false, TRegisterForm::CopyCommand},
};
// The list's history and sending are the window's: after Save or Load the focus is on a button.
constexpr Shortcut kWindowShortcuts[] = {
    {'Z', true, false, TRegisterForm::UndoCommand},
    {'Y', true, false, TRegisterForm::RedoCommand},
    {'Z', true, true, TRegisterForm::RedoCommand},
    {VK_RETURN, true, false, TRegisterForm::SendCommand},
};

// The command on `key` with the modifier keys held now, if any.
template <size_t N>
std::optional<int> CommandOnKey(const Shortcut (&shortcuts)[N], WPARAM key) {
  const bool control = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
  for (const Shortcut& shortcut : shortcuts)
    if (shortcut.key == key && shortcut.control == control && shortcut.shift == shift) return shortcut.command;
  return std::nullopt;
}

// The port box's field and the name editor keep their own text history.
bool IsTextField(HWND window) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, static_cast<int>(std::size(name)));
  return lstrcmpiW(name, WC_EDITW) == 0;
}

}  // namespace

RegisterFormEnvironment RegisterFormEnvironment::ForThisMachine() {
  return {CommandEnvironment::ForThisMachine(), [] {
            return std::make_unique<serial_win32::Win32NotificationWindow>("BrisvelRemo", ShowDefaultError);
          }};
}

TRegisterForm::TRegisterForm(RegisterFormEnvironment environment, HWND owner)
    : SaveCSVDialog{FileDialog::Kind::Save, kCsvFilter, L"csv", kFileDialogFlags},
      OpenCSVDialog{FileDialog::Kind::Open, kCsvFilter, nullptr, kFileDialogFlags},
      environment_(std::move(environment)),
      ui_(std::make_unique<FormUserInterface>(*this, environment_.make_notifications)),
      commands_(std::make_unique<Registration>(environment_.commands, *ui_)) {
  create(L"リモコンデータ登録", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, {379, 229}, POINT{486, 391}, owner);
  createControls();
  focusOnShow(DataListView);  // the first in the tab order, as a dialog starts
  try {
    FormCreate();
  } catch (const std::exception& error) {
    ShowDefaultError(error.what());
  }
}

// The list goes before the marks it draws and the commands whose rows it shows.
TRegisterForm::~TRegisterForm() {
  commands_->list().removeObserver(this);
  codeView_.reset();
  if (DataListView) DestroyWindow(DataListView);
}

// Created in tab order; the frame last, under the controls it holds.
void TRegisterForm::createControls() {
  DataListView = addControl(WC_LISTVIEWW, L"",
                            LVS_REPORT | LVS_OWNERDATA | LVS_EDITLABELS | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                                LVS_SHAREIMAGELISTS | WS_TABSTOP,
                            InGroup({8, 16, 353, 169}), kListId, WS_EX_CLIENTEDGE);
  LoadButton = addControl(L"BUTTON", L"Load", BS_PUSHBUTTON | WS_TABSTOP, InGroup({280, 192, 81, 25}), kLoadId);
  SaveButton = addControl(L"BUTTON", L"Save", BS_PUSHBUTTON | WS_TABSTOP, InGroup({192, 192, 81, 25}), kSaveId);
  COMCombo = addControl(WC_COMBOBOXW, L"",
                        CBS_DROPDOWN | CBS_AUTOHSCROLL | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP,
                        InGroup({16, 192, 65, kComboListHeight}), kComboId);
  AddButton = addControl(L"BUTTON", L"Add", BS_PUSHBUTTON | WS_TABSTOP, InGroup({88, 192, 81, 25}), kAddId);
  DefinedGroupBox = addControl(L"BUTTON", L"ファイル", BS_GROUPBOX | WS_CLIPSIBLINGS, kGroup, kGroupId);
  codeList_ = std::make_unique<CodeListView>(DataListView, *commands_);
  commands_->list().addObserver(this);  // after the list view, which moves the selection first
  SetWindowSubclass(DataListView, listProc, 0, reinterpret_cast<DWORD_PTR>(this));
  dpiApplied();
}

void TRegisterForm::dpiApplied() {
  if (!codeList_) return;
  codeList_->applyDpi(dpi());
  // The box's closed height is its selection field plus the frame around it.
  SendMessageW(COMCombo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), scaled(kComboFieldHeight) - 6);
  SendMessageW(COMCombo, CB_SETITEMHEIGHT, 0, scaled(kComboItemHeight));
  SendMessageW(COMCombo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(scaled(port_list_width_)), 0);
}

void TRegisterForm::FormCreate() {
  const PortChoices choices = commands_->Start();
  ports_ = choices.ports;
  for (const auto& port : ports_) {
    SendMessageW(COMCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideFromUtf8(port.name).c_str()));
    // Wide enough for the longest label, however narrow the box.
    const int label_width = static_cast<int>(MeasureText(WideFromUtf8(PortLabel(port)), 0, false).cx) + 8;
    port_list_width_ = std::max(port_list_width_, label_width);
  }
  dpiApplied();
  if (choices.selected)
    SendMessageW(COMCombo, CB_SETCURSEL, *choices.selected, 0);
  else
    SetWindowTextW(COMCombo, WideFromUtf8(choices.text).c_str());
}

std::string TRegisterForm::portText() const {
  const std::string text = Utf8FromWide(WindowText(COMCombo));
  for (const auto& port : ports_)
    if (port.name == text) return port.path;
  return text;
}

void TRegisterForm::closeRequested() { FormClose(); }

// The window goes unless the user chose to stay with unsaved changes.
void TRegisterForm::FormClose() {
  if (!commands_->Close(portText())) return;
  closed_ = true;
  ShowWindow(handle(), SW_HIDE);
  if (codeView_) ShowWindow(codeView_->handle(), SW_HIDE);
  if (onClosed) onClosed();
}

void TRegisterForm::AddButtonClick() { commands_->Add(portText()); }

void TRegisterForm::SaveButtonClick() { commands_->Save(); }

void TRegisterForm::LoadButtonClick() { commands_->Load(); }

void TRegisterForm::command(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case kAddId: AddButtonClick(); break;
    case kSaveId: SaveButtonClick(); break;
    case kLoadId: LoadButtonClick(); break;
    default: break;
  }
}

LRESULT TRegisterForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CONTEXTMENU && reinterpret_cast<HWND>(wParam) == DataListView) {
    showListMenu(lParam);
    return 0;
  }
  if (message == WM_DRAWITEM && wParam == kComboId) {
    drawPortItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    return TRUE;
  }
  return Window::handleMessage(message, wParam, lParam);
}

// The box holds a port's short name, the drop-down says what the port is, as the Qt window's
// does: the items' strings are the names, drawn as their labels.
void TRegisterForm::drawPortItem(const DRAWITEMSTRUCT& item) {
  const bool selected = item.itemState & ODS_SELECTED;
  FillRect(item.hDC, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= ports_.size()) return;
  const std::wstring label = WideFromUtf8(PortLabel(ports_[item.itemID]));
  SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  SetBkMode(item.hDC, TRANSPARENT);
  RECT text = item.rcItem;
  text.left += scaled(2);
  DrawTextW(item.hDC, label.c_str(), static_cast<int>(label.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(item.hDC, &item.rcItem);
}

LRESULT TRegisterForm::notify(NMHDR& header) {
  if (header.hwndFrom != DataListView) return 0;
  if (header.code == LVN_ITEMCHANGED) showSelectedCode();
  return codeList_->notify(header);
}

LRESULT CALLBACK TRegisterForm::listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
  if (message == WM_KEYDOWN && reinterpret_cast<TRegisterForm*>(self)->listKey(wParam)) return 0;
  // Enter opens the code view: the list takes it before the dialog keys make it a button's.
  if (const auto* key = reinterpret_cast<const MSG*>(lParam);
      message == WM_GETDLGCODE && key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
    return DefSubclassProc(list, message, wParam, lParam) | DLGC_WANTMESSAGE;
  if (message == WM_NCDESTROY) RemoveWindowSubclass(list, listProc, 0);
  return DefSubclassProc(list, message, wParam, lParam);
}

// The list's own keys, taken before the list moves its focus with Ctrl+Up and Ctrl+Down.
bool TRegisterForm::listKey(WPARAM key) {
  if (key == VK_F2) {
    if (auto row = codeList_->selectedRow()) codeList_->editName(*row);
    return true;
  }
  if (key == VK_RETURN && GetKeyState(VK_CONTROL) >= 0) return runGuarded(ViewCommand);
  auto command = CommandOnKey(kListShortcuts, key);
  if (!command) command = CommandOnKey(kWindowShortcuts, key);
  return command && runGuarded(*command);
}

bool TRegisterForm::windowKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || !IsChild(handle(), message.hwnd) || IsTextField(message.hwnd)) return false;
  const auto command = CommandOnKey(kWindowShortcuts, message.wParam);
  return command && runGuarded(*command);
}

// A key's command runs outside the window procedure's guard.
bool TRegisterForm::runGuarded(int command) {
  try {
    runListCommand(command);
  } catch (const std::exception& error) {
    ShowDefaultError(error.what());
  }
  return true;
}

void TRegisterForm::runListCommand(int command) {
  switch (command) {
    case DeleteCommand: onSelectedRow(&Registration::Delete); break;
    case MoveUpCommand: onSelectedRow(&Registration::MoveUp); break;
    case MoveDownCommand: onSelectedRow(&Registration::MoveDown); break;
    case UndoCommand: codeList_->selectRow(commands_->Undo()); break;
    case RedoCommand: codeList_->selectRow(commands_->Redo()); break;
    case CopyCommand:
      if (auto row = codeList_->selectedRow()) commands_->CopyData(*row);
      break;
    case SendCommand: sendSelectedRow(commands_->lastOutput()); break;
    case ViewCommand: openCodeView(); break;
    default:
      if (command >= SendOnOutputCommand + kFirstOutput && command <= SendOnOutputCommand + kLastOutput)
        sendSelectedRow(command - SendOnOutputCommand);
      break;
  }
}

// The fixed layout leaves no room for more buttons: the list's own commands live in its
// context menu and on the keys desktop tools use for them.
void TRegisterForm::showListMenu(LPARAM where) {
  POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
  const auto row = codeList_->selectedRow();
  if (where == -1) {  // from the keyboard: at the selected row, else the list's corner
    RECT place{};
    if (row) ListView_GetItemRect(DataListView, static_cast<int>(*row), &place, LVIR_LABEL);
    at = {place.left, place.bottom};
    ClientToScreen(DataListView, &at);
  }
  HMENU menu = CreatePopupMenu();
  for (const MenuItem& item : kListMenu) {
    if (!item.command) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    bool enabled = row.has_value();
    if (item.command == UndoCommand) enabled = commands_->list().canUndo();
    if (item.command == RedoCommand) enabled = commands_->list().canRedo();
    AppendMenuW(menu, MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), static_cast<UINT_PTR>(item.command), item.text);
  }
  const UINT on_row = row ? MF_ENABLED : MF_GRAYED;
  HMENU outputs = CreatePopupMenu();
  for (int output = kFirstOutput; output <= kLastOutput; ++output)
    AppendMenuW(outputs, MF_STRING, static_cast<UINT_PTR>(SendOnOutputCommand + output),
                (L"出力 " + std::to_wstring(output)).c_str());
  CheckMenuRadioItem(outputs, SendOnOutputCommand + kFirstOutput, SendOnOutputCommand + kLastOutput,
                     SendOnOutputCommand + commands_->lastOutput(), MF_BYCOMMAND);
  AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu, MF_POPUP | on_row, reinterpret_cast<UINT_PTR>(outputs), kSendMenuText);
  AppendMenuW(menu, MF_STRING | on_row, ViewCommand, kViewMenuText);
  SetMenuDefaultItem(menu, ViewCommand, FALSE);  // what Enter on the row does
  const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, handle(), nullptr);
  DestroyMenu(menu);
  if (chosen) runListCommand(chosen);
}

void TRegisterForm::onSelectedRow(std::optional<std::size_t> (Registration::*run)(std::size_t)) {
  if (auto row = codeList_->selectedRow()) codeList_->selectRow(((*commands_).*run)(*row));
}

void TRegisterForm::sendSelectedRow(int output) {
  if (auto row = codeList_->selectedRow()) commands_->Send(*row, output, portText());
}

void TRegisterForm::showRowNote(std::size_t row, const std::string& text) {
  codeList_->showNote(row, WideFromUtf8(text));
}

// Made beside this window the first time; afterwards it opens where the user left it.
void TRegisterForm::openCodeView() {
  if (!codeList_->selectedRow()) return;
  if (!codeView_) {
    codeView_ = std::make_unique<CodeViewWindow>(handle());
    codeView_->placeBeside(handle());
  }
  ShowWindow(codeView_->handle(), SW_SHOW);
  showSelectedCode();
}

// The open view follows the selection and every change of the list.
void TRegisterForm::showSelectedCode() {
  if (!codeView_ || !IsWindowVisible(codeView_->handle())) return;
  const auto row = codeList_->selectedRow();
  codeView_->show(row && *row < commands_->list().size() ? ViewOfRow(commands_->list(), *row) : CodeView{});
}

void TRegisterForm::listChanged(const ListChange&) { showSelectedCode(); }

}  // namespace brisvel
