#pragma once
// The serial link's hand-over on a Win32 message loop: notifications are messages posted to
// a hidden message-only window of the thread that created it, so that thread's loop calls
// the handlers, in posting order. Destroying the window drops the messages still queued.

#include <windows.h>

#include <functional>
#include <string>

#include "serial/notification_window.h"

namespace brisvel::serial_win32 {

class Win32NotificationWindow : public serial::NotificationWindow {
 public:
  // Construct on the UI thread. applicationTitle captions the debug boxes; onHandlerError
  // receives what a handler raised (the front end shows its default error box).
  Win32NotificationWindow(std::string applicationTitle, Reporter onHandlerError);
  ~Win32NotificationWindow() override;
  Win32NotificationWindow(const Win32NotificationWindow&) = delete;
  Win32NotificationWindow& operator=(const Win32NotificationWindow&) = delete;

  void setReceiver(Receiver receiver) override;
  void post(int id) override;
  void showMessage(const std::string& utf8Message) override;

  HWND handle() const { return hwnd_; }

 private:
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  std::wstring applicationTitle_;
  Reporter onHandlerError_;
  Receiver receiver_;
  HWND hwnd_ = nullptr;
};

}  // namespace brisvel::serial_win32
