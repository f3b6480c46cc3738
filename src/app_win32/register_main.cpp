#include "app_win32/register_main.h"

#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>

#include "app_win32/form_user_interface.h"
#include "core/sjis.h"
#include "core/wide_text_win32.h"
#include "serial_win32/win32_notification_window.h"

namespace brisvel {
namespace {

enum ControlId : int { kListId = 100, kLoadId, kSaveId, kComboId, kAddId, kGroupId };

constexpr wchar_t kCsvFilter[] = L"csv\0*.csv\0";
// The save dialog replaces a file without asking; the open dialog takes the typed name of a
// missing file, so that the load reports it.
constexpr DWORD kFileDialogFlags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;

constexpr int kNameColumnWidth = 100;
constexpr int kDataColumnWidth = 1792;
constexpr int kComboFieldHeight = 20;
constexpr int kComboItemHeight = 12;
constexpr int kComboListHeight = 200;

// Positions inside the group frame are relative to it; the controls are the window's own
// children, so that their notifications reach the window.
constexpr DesignRect kGroup{5, 1, 369, 224};
constexpr DesignRect InGroup(DesignRect place) {
  return {kGroup.left + place.left, kGroup.top + place.top, place.width, place.height};
}

std::wstring Decode(const std::string& sjis) { return WideFromUtf8(sjis::ToUtf8(sjis)); }

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
// The list's history is the window's: after Save or Load the focus is on a button.
constexpr Shortcut kWindowShortcuts[] = {
    {'Z', true, false, TRegisterForm::UndoCommand},
    {'Y', true, false, TRegisterForm::RedoCommand},
    {'Z', true, true, TRegisterForm::RedoCommand},
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

// Where the row a view had selected is after a change; nothing when it went.
std::optional<std::size_t> RowAfter(const ListChange& change, std::size_t row) {
  switch (change.kind) {
    case ListChange::Kind::Inserted: return row >= change.row ? row + 1 : row;
    case ListChange::Kind::Removed:
      if (row == change.row) return std::nullopt;
      return row > change.row ? row - 1 : row;
    case ListChange::Kind::Moved:
      if (row == change.row) return change.to;
      if (change.row < row && row <= change.to) return row - 1;
      if (change.to <= row && row < change.row) return row + 1;
      return row;
    case ListChange::Kind::Renamed: return row;
    case ListChange::Kind::Reset: return std::nullopt;
  }
  return std::nullopt;
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
  commands_->list().addObserver(this);
  try {
    FormCreate();
  } catch (const std::exception& error) {
    ShowDefaultError(error.what());
  }
}

// The list goes before the marks it draws and the commands whose rows it shows.
TRegisterForm::~TRegisterForm() {
  commands_->list().removeObserver(this);
  if (DataListView) DestroyWindow(DataListView);
  if (marks_) ImageList_Destroy(marks_);
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
  setUpList();
  dpiApplied();
}

void TRegisterForm::setUpList() {
  ListView_SetExtendedListViewStyle(DataListView, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = LVCFMT_LEFT;
  column.pszText = const_cast<wchar_t*>(L"Name");
  column.cx = scaled(kNameColumnWidth);
  ListView_InsertColumn(DataListView, 0, &column);
  column.fmt = LVCFMT_LEFT | LVCFMT_FIXED_WIDTH;  // the header neither drags nor auto-sizes it
  column.pszText = const_cast<wchar_t*>(L"Data(240Byte)");
  column.cx = scaled(kDataColumnWidth);
  ListView_InsertColumn(DataListView, 1, &column);
  SetWindowSubclass(DataListView, listProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

void TRegisterForm::dpiApplied() {
  if (!DataListView) return;
  ListView_SetColumnWidth(DataListView, 0, scaled(kNameColumnWidth));
  ListView_SetColumnWidth(DataListView, 1, scaled(kDataColumnWidth));
  // The mark of a repeated code, in the size of the list's small icons at this DPI.
  const int size = GetSystemMetricsForDpi(SM_CXSMICON, dpi());
  HIMAGELIST marks = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 0);
  ImageList_AddIcon(marks, static_cast<HICON>(LoadImageW(nullptr, IDI_WARNING, IMAGE_ICON, size, size, LR_SHARED)));
  ListView_SetImageList(DataListView, marks, LVSIL_SMALL);
  if (marks_) ImageList_Destroy(marks_);
  marks_ = marks;
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
  if (header.hwndFrom == DataListView) return listNotify(header);
  return 0;
}

LRESULT TRegisterForm::listNotify(NMHDR& header) {
  switch (header.code) {
    case LVN_GETDISPINFOW: fillCell(reinterpret_cast<NMLVDISPINFOW&>(header).item); return 0;
    case LVN_GETINFOTIPW: {
      auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(header);
      const auto row = static_cast<std::size_t>(tip.iItem);
      if (row >= commands_->list().size()) return 0;
      if (auto note = commands_->repeatedCodeNote(row)) lstrcpynW(tip.pszText, WideFromUtf8(*note).c_str(), tip.cchTextMax);
      return 0;
    }
    case NM_DBLCLK: {
      const int row = reinterpret_cast<NMITEMACTIVATE&>(header).iItem;
      if (row >= 0) ListView_EditLabel(DataListView, row);
      return 0;
    }
    case LVN_ENDLABELEDITW: {
      const LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
      if (item.pszText && item.iItem >= 0) commands_->Rename(static_cast<std::size_t>(item.iItem), Utf8FromWide(item.pszText));
      ListView_RedrawItems(DataListView, item.iItem, item.iItem);
      return FALSE;  // the list shows the names it is given, never the edit's text
    }
    default: return 0;
  }
}

// Rows hold Shift-JIS bytes and are decoded only when shown, so what was loaded is written
// back unchanged.
void TRegisterForm::fillCell(LVITEMW& item) {
  const CodeList& list = commands_->list();
  const auto row = static_cast<std::size_t>(item.iItem);
  if (item.iItem < 0 || row >= list.size()) return;
  const CodeEntry& entry = list.at(row);
  if (item.mask & LVIF_TEXT) {
    const std::wstring text = item.iSubItem == 0 ? Decode(entry.name) : entry.data ? Decode(*entry.data) : L"";
    lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
  }
  if (item.mask & LVIF_IMAGE) item.iImage = item.iSubItem == 0 && list.repeated(row) ? 0 : I_IMAGENONE;
}

LRESULT CALLBACK TRegisterForm::listProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                          DWORD_PTR self) {
  if (message == WM_KEYDOWN && reinterpret_cast<TRegisterForm*>(self)->listKey(wParam)) return 0;
  if (message == WM_NCDESTROY) RemoveWindowSubclass(list, listProc, 0);
  return DefSubclassProc(list, message, wParam, lParam);
}

// The list's own keys, taken before the list moves its focus with Ctrl+Up and Ctrl+Down.
bool TRegisterForm::listKey(WPARAM key) {
  if (key == VK_F2) {
    if (auto row = selectedRow()) ListView_EditLabel(DataListView, static_cast<int>(*row));
    return true;
  }
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
    case UndoCommand: selectRow(commands_->Undo()); break;
    case RedoCommand: selectRow(commands_->Redo()); break;
    case CopyCommand:
      if (auto row = selectedRow()) commands_->CopyData(*row);
      break;
    default: break;
  }
}

// The fixed layout leaves no room for more buttons: the list's own commands live in its
// context menu and on the keys desktop tools use for them.
void TRegisterForm::showListMenu(LPARAM where) {
  POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
  const auto row = selectedRow();
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
  const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, handle(), nullptr);
  DestroyMenu(menu);
  if (chosen) runListCommand(chosen);
}

std::optional<std::size_t> TRegisterForm::selectedRow() const {
  const int row = ListView_GetNextItem(DataListView, -1, LVNI_SELECTED);
  if (row < 0) return std::nullopt;
  return static_cast<std::size_t>(row);
}

void TRegisterForm::selectRow(std::optional<std::size_t> row) {
  if (!row) return;
  const int index = static_cast<int>(*row);
  ListView_SetItemState(DataListView, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(DataListView, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(DataListView, index, FALSE);
}

void TRegisterForm::onSelectedRow(std::optional<std::size_t> (Registration::*run)(std::size_t)) {
  if (auto row = selectedRow()) selectRow(((*commands_).*run)(*row));
}

void TRegisterForm::listChanging(const ListChange&) { selected_before_change_ = selectedRow(); }

// A virtual list holds no rows, only their count: every change is a new count and a repaint
// (a row's repeated-code mark depends on every other row), and the selection follows its row.
void TRegisterForm::listChanged(const ListChange& change) {
  ListView_SetItemCountEx(DataListView, static_cast<int>(commands_->list().size()), LVSICF_NOSCROLL);
  InvalidateRect(DataListView, nullptr, TRUE);
  if (change.kind == ListChange::Kind::Renamed) return;
  const auto row = selected_before_change_ ? RowAfter(change, *selected_before_change_) : std::nullopt;
  ListView_SetItemState(DataListView, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (row) ListView_SetItemState(DataListView, static_cast<int>(*row), LVIS_SELECTED | LVIS_FOCUSED,
                                 LVIS_SELECTED | LVIS_FOCUSED);
}

}  // namespace brisvel
