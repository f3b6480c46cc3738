#pragma once
// The receive dialog (TReceiveForm): says what the capture waits for and lets the user cancel
// it, modal, while the capture (commands/capture_flow.h) waits on Qt's event loop.
#include <QDialog>
#include <QEventLoop>

#include "commands/user_interface.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace brisvel {

class TReceiveForm : public QDialog, public ReceiveDialog {
  Q_OBJECT

 public:
  using MakeNotifications = std::function<std::unique_ptr<serial::NotificationWindow>()>;

  explicit TReceiveForm(MakeNotifications make_notifications, QWidget* parent = nullptr);

  std::unique_ptr<serial::NotificationWindow> notificationWindow() override { return m_make_notifications(); }
  bool cancelsUnseen() const override { return false; }
  WaitEnd waitUnseen(const ReceiveWait& wait) override;
  WaitEnd waitShown(const std::string& text, const ReceiveWait& wait) override;
  void wake() override;

  QGroupBox* GroupBox1;
  QLabel* Label1;
  QPushButton* CancelButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CancelButtonClick();
  WaitEnd runEventsUntil(const ReceiveWait& wait, QEventLoop::ProcessEventsFlags flags);

  MakeNotifications m_make_notifications;
  const ReceiveWait* m_wait = nullptr;  // the wait running now
  QEventLoop* m_loop = nullptr;
  bool m_cancelled = false;
};

}  // namespace brisvel
