#pragma once
// The receive dialog (TReceiveForm): says what the capture waits for and lets the user cancel
// it, modal, while the capture (commands/capture_flow.h) waits on the thread's message loop.
#include <functional>
#include <memory>

#include "app_win32/window.h"
#include "commands/user_interface.h"

namespace brisvel {

class TReceiveForm : public Window, public ReceiveDialog {
 public:
  using MakeNotifications = std::function<std::unique_ptr<serial::NotificationWindow>()>;

  explicit TReceiveForm(MakeNotifications make_notifications);

  std::unique_ptr<serial::NotificationWindow> notificationWindow() override { return make_notifications_(); }
  bool cancelsUnseen() const override { return false; }
  WaitEnd waitUnseen(const ReceiveWait& wait) override;
  WaitEnd waitShown(const std::string& text, const ReceiveWait& wait) override;
  void wake() override;

  HWND GroupBox1 = nullptr;
  HWND Label1 = nullptr;
  HWND CancelButton = nullptr;

 protected:
  void command(int id, int code, HWND control) override;
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void dpiApplied() override;
  void closeRequested() override { CancelButtonClick(); }

 private:
  void CancelButtonClick();
  void showLabel(const std::wstring& text);
  WaitEnd endOf(const ReceiveWait& wait) const;

  MakeNotifications make_notifications_;
  std::wstring label_text_;
  const ReceiveWait* wait_ = nullptr;  // the shown wait running now
  bool cancelled_ = false;
};

}  // namespace brisvel
