#pragma once
// The code list in the registration window's virtual list view, as the Qt window keeps its
// model apart: the view holds no rows, only their count, and asks for each cell as it is
// shown, so rows stay the Shift-JIS bytes they were loaded as. A row whose code another row
// holds carries a mark, and its tooltip names that row; renaming in place goes to the
// commands; the selection follows its row through every change.
#include <windows.h>

#include <commctrl.h>

#include <optional>
#include <string>

#include "commands/registration.h"

namespace brisvel {

class CodeListView : private CodeListObserver {
 public:
  // `list`: a report-view control with LVS_OWNERDATA, made by the window for its font.
  CodeListView(HWND list, Registration& commands);
  ~CodeListView() override;
  CodeListView(const CodeListView&) = delete;
  CodeListView& operator=(const CodeListView&) = delete;

  // Column widths and the mark's size for the window's DPI.
  void applyDpi(UINT dpi);
  // The list's WM_NOTIFY.
  LRESULT notify(NMHDR& header);

  std::optional<std::size_t> selectedRow() const;
  void selectRow(std::optional<std::size_t> row);
  void editName(std::size_t row);
  // A short note under the row's name that goes by itself after a few seconds.
  void showNote(std::size_t row, const std::wstring& text);

 private:
  void fillCell(LVITEMW& item);
  void listChanging(const ListChange& change) override;
  void listChanged(const ListChange& change) override;

  HWND list_;
  Registration& commands_;
  HIMAGELIST marks_ = nullptr;
  HWND note_ = nullptr;  // a tracking tooltip, made for the first note
  std::optional<std::size_t> selected_before_change_;
};

}  // namespace brisvel
