#include "app/remocondata_receive.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "app/form_style.h"
#include "core/capture_exchange.h"

namespace brisvel {

TReceiveForm* ReceiveForm = nullptr;

TReceiveForm::TReceiveForm(std::unique_ptr<serial::NotificationWindow> notifications, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      rs232c(std::make_unique<serial::Trs232c>(std::move(notifications))) {
  ReceiveForm = this;
  setObjectName(QStringLiteral("ReceiveForm"));
  setWindowTitle(QStringLiteral("リモコン受信"));
  setWindowIcon(FormIcon());
  setFont(FormFont());
  setFixedSize(138, 124);
  move(541, 565);
  setWindowModality(Qt::ApplicationModal);

  GroupBox1 = new QGroupBox(this);
  GroupBox1->setGeometry(0, 0, 137, 89);
  Label1 = new QLabel(QStringLiteral("PC-OP-RS1にデータを送信してください"), GroupBox1);
  Label1->setGeometry(8, 8, 121, 73);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Label1->setWordWrap(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setGeometry(56, 96, 81, 25);
  // Not the default button, but like a focused Windows push button it takes Enter while
  // it has the focus, which as the only control that takes the focus it always has.
  CancelButton->setAutoDefault(true);
  CancelButton->setFocus();

  ApplyCaptureUnitSettings(*rs232c);
  rs232c->OnPACKET = [this](serial::Trs232c& sender) { rs232cPACKET(sender); };
  connect(CancelButton, &QPushButton::clicked, this, &TReceiveForm::CancelButtonClick);
}

void TReceiveForm::keyPressEvent(QKeyEvent* event) {
  // Esc must not end a capture; only Cancel and the close box do.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

TReceiveForm::~TReceiveForm() {
  if (ReceiveForm == this) ReceiveForm = nullptr;
}

bool TReceiveForm::waitForPacket() { return exec() == QDialog::Accepted; }

void TReceiveForm::CancelButtonClick() { done(QDialog::Rejected); }

void TReceiveForm::rs232cPACKET(serial::Trs232c&) { done(QDialog::Accepted); }

}  // namespace brisvel
