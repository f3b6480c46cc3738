#pragma once
// The program's own window, as the task bar knows it: captioned with the application title,
// of no size, and the owner of the main window, which therefore has no task-bar button of
// its own. Activating it (a click on the button) activates the main window, or the box in
// front of it; closing it (the button's menu) closes the main window.
#include <string>

#include "app_win32/window.h"

namespace brisvel {

class ApplicationWindow : public Window {
 public:
  explicit ApplicationWindow(const std::wstring& title);

  // The window that activation and closing go to; the application window is shown with it.
  void setMainWindow(HWND main);

 protected:
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void closeRequested() override;

 private:
  HWND main_ = nullptr;
};

}  // namespace brisvel
