#include <windows.h>

#include <commctrl.h>

#include "app_win32/register_main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  brisvel::TRegisterForm RegisterForm;
  RegisterForm.onClosed = [] { PostQuitMessage(0); };
  ShowWindow(RegisterForm.handle(), show);
  return brisvel::RunMessageLoop(RegisterForm.handle());
}
