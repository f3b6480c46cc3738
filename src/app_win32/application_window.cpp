#include "app_win32/application_window.h"

namespace brisvel {
namespace {

// Posted to itself: the system has finished activating the application window by then.
constexpr UINT kPassActivation = WM_APP + 1;

// Where the user was: the topmost window of the thread that takes input, the main window or
// the box it waits on (a box disables the windows behind it).
HWND WindowTakingInput(HWND application) {
  struct Search {
    HWND application;
    HWND found = nullptr;
  } search{application};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(data);
        if (window == wanted.application || !IsWindowVisible(window) || !IsWindowEnabled(window)) return TRUE;
        wanted.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

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
      if (GetActiveWindow() == handle())
        if (HWND target = WindowTakingInput(handle())) SetActiveWindow(target);
      return 0;
    default:
      return Window::handleMessage(message, wParam, lParam);
  }
}

}  // namespace brisvel
