#pragma once
// The receive dialog: asks the user to send a code to the unit and waits, modal, until the
// whole packet is in the input queue or the user cancels. It owns the capture's serial
// component, so destroying the dialog closes the port.
#include <QDialog>

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
  bool waitForPacket() override;

  QGroupBox* GroupBox1;
  QLabel* Label1;
  QPushButton* CancelButton;
  std::unique_ptr<serial::Trs232c> rs232c;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CancelButtonClick();
  void rs232cPACKET(serial::Trs232c& sender);
};

// The dialog of the capture running now, if any.
extern TReceiveForm* ReceiveForm;

}  // namespace brisvel
