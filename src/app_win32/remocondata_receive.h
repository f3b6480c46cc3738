#pragma once
// The receive dialog: asks the user to send a code to the unit and waits, modal, until the
// whole packet is in the input queue, the line is lost or the user cancels. It owns the
// capture's serial component, so destroying the dialog closes the port.
#include <chrono>
#include <memory>

#include "app_win32/window.h"
#include "commands/user_interface.h"
#include "serial/rs232c.h"

namespace brisvel {

class TReceiveForm : public Window, public ReceiveDialog {
 public:
  explicit TReceiveForm(std::unique_ptr<serial::NotificationWindow> notifications);
  ~TReceiveForm() override;

  serial::Trs232c& port() override { return *rs232c; }
  // A unit answers within milliseconds, and meanwhile input waits while the windows keep
  // painting. Only a unit that keeps silent brings the dialog up early, saying that its
  // answer is awaited, so that the user can cancel the rest of the wait.
  ReceiveResult waitForReply(std::chrono::milliseconds limit) override;
  ReceiveResult waitForPacket() override;

  HWND GroupBox1 = nullptr;
  HWND Label1 = nullptr;
  HWND CancelButton = nullptr;
  std::unique_ptr<serial::Trs232c> rs232c;

 protected:
  void command(int id, int code, HWND control) override;
  LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void dpiApplied() override;
  void closeRequested() override { CancelButtonClick(); }

 private:
  void CancelButtonClick();
  void rs232cPACKET(serial::Trs232c& sender);
  void rs232cHANGUP(serial::Trs232c& sender);
  void showLabel(const std::wstring& text);
  void pumpQuietly(std::chrono::milliseconds limit);
  bool replyWaitOver();
  void checkReply();
  ReceiveResult endedWait() const;

  std::wstring label_text_;
  std::chrono::steady_clock::time_point reply_deadline_;
  bool replied_ = false;
  bool packet_in_ = false;
  bool line_lost_ = false;
  bool cancelled_ = false;
};

// The dialog of the capture running now, if any.
extern TReceiveForm* ReceiveForm;

}  // namespace brisvel
