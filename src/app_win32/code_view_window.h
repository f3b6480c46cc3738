#pragma once
// The code view: a window beside the registration window with the selected row's name, its
// pulse picture, the decoded line and the run list. It only lays out and draws a CodeView;
// the registration window decides which row it shows.
#include <windows.h>

#include "app_win32/window.h"
#include "commands/code_view.h"

namespace brisvel {

class CodeViewWindow : public Window {
 public:
  // Owned by `owner`, so that it stays above it and goes with it.
  explicit CodeViewWindow(HWND owner);

  void show(const CodeView& view);
  // To the right of `window`, top edges level.
  void placeBeside(HWND window);

  HWND NameLabel = nullptr;
  HWND PictureBox = nullptr;
  HWND SummaryLabel = nullptr;
  HWND DetailsEdit = nullptr;

 protected:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool windowKey(const MSG& message) override;
  void closeRequested() override;

 private:
  void drawPicture(const DRAWITEMSTRUCT& item) const;

  signal::Picture picture_;
};

}  // namespace brisvel
