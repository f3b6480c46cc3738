#include "app_win32/application_window.h"

namespace brisvel {
namespace {

// Posted to itself: the system has finished activating the application window by then.
constexpr UINT kPassActivation = WM_APP + 1;

}  // namespace

// A popup without a caption: no frame, so no size at any DPI, and never drawn.
ApplicationWindow::ApplicationWindow(const std::wstring& title) { create(title, WS_POPUP | WS_SYSMENU, {0, 0}, {}); }

void ApplicationWindow::setMainWindow(HWND main) {
  main_ = main;
  ShowWindow(handle(), SW_SHOWNA);
}

void ApplicationWindow::closeRequested() {
  if (main_) PostMessageW(main_, WM_CLOSE, 0, 0);
}

LRESULT ApplicationWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) PostMessageW(handle(), kPassActivation, 0, 0);
      return 0;
    case kPassActivation:
      // Where the user was: the main window, or the box it waits on, which disabled it.
      if (GetActiveWindow() == handle())
        if (const auto windows = OtherThreadWindows(handle()); !windows.empty()) SetActiveWindow(windows.front());
      return 0;
    default:
      return Window::handleMessage(message, wParam, lParam);
  }
}

}  // namespace brisvel
