#include <windows.h>

#include <commctrl.h>

#include "app_win32/application_window.h"
#include "app_win32/register_main.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  brisvel::ApplicationWindow application(L"BrisvelRemo");
  brisvel::TRegisterForm RegisterForm(brisvel::RegisterFormEnvironment::ForThisMachine(), application.handle());
  RegisterForm.onClosed = [] { PostQuitMessage(0); };
  application.setMainWindow(RegisterForm.handle());
  ShowWindow(RegisterForm.handle(), show);
  return brisvel::RunMessageLoop(RegisterForm);
}
