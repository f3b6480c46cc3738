#pragma once
// The registration window's surroundings for a test: settings and recovery files in a
// scratch folder, a fixed port list, and the serial notifications through the program's own
// message-only window.
#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app_win32/prompts.h"
#include "app_win32/register_main.h"
#include "port_infos.h"
#include "scratch_dir.h"
#include "serial_win32/win32_notification_window.h"
#include "window_driver.h"

namespace brisvel::testing_support {

inline std::unique_ptr<serial::NotificationWindow> ProgramNotifications() {
  return std::make_unique<serial_win32::Win32NotificationWindow>("BrisvelRemo", ShowDefaultError);
}

inline std::unique_ptr<TRegisterForm> ShowForm(const ScratchDir& dir, std::vector<std::string> ports = {"COM3", "COM4"},
                                               int capture_timeout_ms = 30000) {
  auto form = std::make_unique<TRegisterForm>(RegisterFormEnvironment{
      {dir / "brisvel.ini", [ports = PortsAt(ports)] { return ports; }, capture_timeout_ms, dir / "state"},
      ProgramNotifications});
  ShowWindow(form->handle(), SW_SHOW);
  UpdateWindow(form->handle());
  return form;
}

// Posts a key (with Ctrl held, if asked) to `target` and runs the main loop's handling until
// the queue is empty.
inline void PressKeyThroughMainLoop(Window& main, HWND target, WPARAM key, bool control = false) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_CONTROL] = control ? 0x80 : 0;
  SetKeyboardState(state);
  PostMessageW(target, WM_KEYDOWN, key, 1);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) HandleMainLoopMessage(main, message);
  state[VK_CONTROL] = 0;
  SetKeyboardState(state);
}

inline void SelectRow(HWND list, int row) {
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

inline std::wstring CellText(HWND list, int row, int column) {
  wchar_t text[1024] = L"";
  ListView_GetItemText(list, row, column, text, 1024);
  return text;
}

}  // namespace brisvel::testing_support
