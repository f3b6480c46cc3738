#include "app_win32/code_list_view.h"

#include "core/formats/sjis.h"
#include "core/formats/wide_text_win32.h"

namespace brisvel {
namespace {

constexpr int kNameColumnWidth = 100;
constexpr int kDataColumnWidth = 1792;
constexpr UINT kNoteShownMs = 3000;
constexpr UINT_PTR kNoteTimer = 1;

std::wstring Decode(const std::string& sjis) { return WideFromUtf8(sjis::ToUtf8(sjis)); }

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

// The note's one tool, known to the tooltip itself, so that its timer needs nothing else.
void HideNote(HWND note, UINT, UINT_PTR timer, DWORD) {
  KillTimer(note, timer);
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  if (SendMessageW(note, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)))
    SendMessageW(note, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

void AddColumn(HWND list, int index, const wchar_t* caption, int format) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_FMT;
  column.fmt = format;
  column.pszText = const_cast<wchar_t*>(caption);
  ListView_InsertColumn(list, index, &column);
}

}  // namespace

CodeListView::CodeListView(HWND list, Registration& commands) : list_(list), commands_(commands) {
  ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_DOUBLEBUFFER);
  AddColumn(list_, 0, L"Name", LVCFMT_LEFT);
  // The header neither drags nor auto-sizes the data column.
  AddColumn(list_, 1, L"Data(240Byte)", LVCFMT_LEFT | LVCFMT_FIXED_WIDTH);
  commands_.list().addObserver(this);
}

// The window destroys the list first: the marks outlive every paint that uses them.
CodeListView::~CodeListView() {
  commands_.list().removeObserver(this);
  if (note_) DestroyWindow(note_);
  if (marks_) ImageList_Destroy(marks_);
}

void CodeListView::applyDpi(UINT dpi) {
  const auto scaled = [dpi](int designed) { return MulDiv(designed, static_cast<int>(dpi), 96); };
  ListView_SetColumnWidth(list_, 0, scaled(kNameColumnWidth));
  ListView_SetColumnWidth(list_, 1, scaled(kDataColumnWidth));
  // The mark of a repeated code, in the size of the list's small icons at this DPI.
  const int size = GetSystemMetricsForDpi(SM_CXSMICON, dpi);
  HIMAGELIST marks = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 1, 0);
  ImageList_AddIcon(marks, static_cast<HICON>(LoadImageW(nullptr, IDI_WARNING, IMAGE_ICON, size, size, LR_SHARED)));
  ListView_SetImageList(list_, marks, LVSIL_SMALL);
  if (marks_) ImageList_Destroy(marks_);
  marks_ = marks;
}

LRESULT CodeListView::notify(NMHDR& header) {
  switch (header.code) {
    case LVN_GETDISPINFOW: fillCell(reinterpret_cast<NMLVDISPINFOW&>(header).item); return 0;
    case LVN_GETINFOTIPW: {
      auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(header);
      const auto row = static_cast<std::size_t>(tip.iItem);
      if (row >= commands_.list().size()) return 0;
      if (auto note = commands_.repeatedCodeNote(row)) lstrcpynW(tip.pszText, WideFromUtf8(*note).c_str(), tip.cchTextMax);
      return 0;
    }
    case NM_DBLCLK: {
      const int row = reinterpret_cast<NMITEMACTIVATE&>(header).iItem;
      if (row >= 0) editName(static_cast<std::size_t>(row));
      return 0;
    }
    case LVN_ENDLABELEDITW: {
      const LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
      if (item.pszText && item.iItem >= 0) commands_.Rename(static_cast<std::size_t>(item.iItem), Utf8FromWide(item.pszText));
      ListView_RedrawItems(list_, item.iItem, item.iItem);
      return FALSE;  // the list shows the names it is given, never the edit's text
    }
    default: return 0;
  }
}

void CodeListView::fillCell(LVITEMW& item) {
  const CodeList& list = commands_.list();
  const auto row = static_cast<std::size_t>(item.iItem);
  if (item.iItem < 0 || row >= list.size()) return;
  const CodeEntry& entry = list.at(row);
  if (item.mask & LVIF_TEXT) {
    const std::wstring text = item.iSubItem == 0 ? Decode(entry.name) : entry.data ? Decode(*entry.data) : L"";
    lstrcpynW(item.pszText, text.c_str(), item.cchTextMax);
  }
  if (item.mask & LVIF_IMAGE) item.iImage = item.iSubItem == 0 && list.repeated(row) ? 0 : I_IMAGENONE;
}

std::optional<std::size_t> CodeListView::selectedRow() const {
  const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
  if (row < 0) return std::nullopt;
  return static_cast<std::size_t>(row);
}

void CodeListView::selectRow(std::optional<std::size_t> row) {
  if (!row) return;
  const int index = static_cast<int>(*row);
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetItemState(list_, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list_, index, FALSE);
}

void CodeListView::editName(std::size_t row) { ListView_EditLabel(list_, static_cast<int>(row)); }

void CodeListView::showNote(std::size_t row, const std::wstring& text) {
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
  tool.hwnd = list_;
  tool.lpszText = const_cast<wchar_t*>(text.c_str());
  if (!note_) {
    note_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0,
                            0, list_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(note_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SendMessageW(note_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  RECT place{};
  ListView_GetItemRect(list_, static_cast<int>(row), &place, LVIR_LABEL);
  POINT at{place.left, place.bottom};
  ClientToScreen(list_, &at);
  SendMessageW(note_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
  SendMessageW(note_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
  SetTimer(note_, kNoteTimer, kNoteShownMs, HideNote);
}

void CodeListView::listChanging(const ListChange&) { selected_before_change_ = selectedRow(); }

// Every change is a new count and a repaint: a row's repeated-code mark depends on every other row.
void CodeListView::listChanged(const ListChange& change) {
  ListView_SetItemCountEx(list_, static_cast<int>(commands_.list().size()), LVSICF_NOSCROLL);
  InvalidateRect(list_, nullptr, TRUE);
  if (change.kind == ListChange::Kind::Renamed) return;
  const auto row = selected_before_change_ ? RowAfter(change, *selected_before_change_) : std::nullopt;
  ListView_SetItemState(list_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (row) ListView_SetItemState(list_, static_cast<int>(*row), LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

}  // namespace brisvel
