#pragma once
// The receive dialog: asks the user to send a code to the unit and waits, modal, until the
// whole packet is in the input queue or the user cancels. It owns the capture's serial
// component, so destroying the dialog closes the port.
#include <QDialog>
#include <QEventLoop>

#include <chrono>
#include <memory>

#include "commands/user_interface.h"
#include "serial/rs232c.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace brisvel {

class TReceiveForm : public QDialog, public ReceiveDialog {
  Q_OBJECT

 public:
  explicit TReceiveForm(std::unique_ptr<serial::NotificationWindow> notifications, QWidget* parent = nullptr);
  ~TReceiveForm() override;

  serial::Trs232c& port() override { return *rs232c; }
  // A unit answers within milliseconds, and until then input waits while the windows keep
  // painting. Only a unit that keeps silent brings the dialog up early, saying that its
  // answer is awaited, so that the user can cancel the rest of the wait.
  ReceiveResult waitForReply(std::chrono::milliseconds limit) override;
  ReceiveResult waitForPacket() override;

  QGroupBox* GroupBox1;
  QLabel* Label1;
  QPushButton* CancelButton;
  std::unique_ptr<serial::Trs232c> rs232c;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CancelButtonClick();
  void rs232cPACKET(serial::Trs232c& sender);
  void rs232cHANGUP(serial::Trs232c& sender);
  void runEventsUntilReply(std::chrono::milliseconds limit, QEventLoop::ProcessEventsFlags flags);
  bool replyWaitOver();
  void endReplyWait();

  QEventLoop* m_replyLoop = nullptr;
  bool m_replied = false;
  bool m_packetIn = false;
  bool m_lineLost = false;
  bool m_cancelled = false;
};

// The dialog of the capture running now, if any.
extern TReceiveForm* ReceiveForm;

}  // namespace brisvel
