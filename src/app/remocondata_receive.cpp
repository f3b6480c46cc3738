// The receive dialog (TReceiveForm) on Qt.
#include "app/remocondata_receive.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

#include "app/form_style.h"

namespace brisvel {

TReceiveForm::TReceiveForm(MakeNotifications make_notifications, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_make_notifications(std::move(make_notifications)) {
  setObjectName(QStringLiteral("ReceiveForm"));
  setWindowTitle(QStringLiteral("リモコン受信"));
  setWindowIcon(FormIcon());
  setFont(FormFont());
  setFixedSize(138, 124);
  move(541, 565);
  setWindowModality(Qt::ApplicationModal);

  GroupBox1 = new QGroupBox(this);
  GroupBox1->setGeometry(0, 0, 137, 89);
  Label1 = new QLabel(GroupBox1);
  Label1->setGeometry(8, 8, 121, 73);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Label1->setWordWrap(true);
  CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
  CancelButton->setGeometry(56, 96, 81, 25);
  // Not the default button, but like a focused Windows push button it takes Enter while
  // it has the focus, which as the only control that takes the focus it always has.
  CancelButton->setAutoDefault(true);
  CancelButton->setFocus();

  connect(CancelButton, &QPushButton::clicked, this, &TReceiveForm::CancelButtonClick);
  // Cancel and the close box, whichever wait is running.
  connect(this, &QDialog::rejected, this, [this] {
    m_cancelled = true;
    if (m_loop) m_loop->quit();
  });
}

void TReceiveForm::keyPressEvent(QKeyEvent* event) {
  // Esc must not end a capture; only Cancel and the close box do.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

// Clicks and keys wait in the queue until the dialog is up, or until the capture is over.
WaitEnd TReceiveForm::waitUnseen(const ReceiveWait& wait) {
  return runEventsUntil(wait, QEventLoop::ExcludeUserInputEvents);
}

WaitEnd TReceiveForm::waitShown(const std::string& text, const ReceiveWait& wait) {
  if (wait.over()) return WaitEnd::Over;
  Label1->setText(QString::fromStdString(text));
  show();  // modal: the registration window takes no input meanwhile
  return runEventsUntil(wait, QEventLoop::AllEvents);
}

WaitEnd TReceiveForm::runEventsUntil(const ReceiveWait& wait, QEventLoop::ProcessEventsFlags flags) {
  if (!m_cancelled && !wait.over()) {
    QEventLoop loop;
    QTimer limit;
    if (wait.deadline) {
      limit.setSingleShot(true);
      connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*wait.deadline - std::chrono::steady_clock::now());
      limit.start(std::max(left, std::chrono::milliseconds(0)));
    }
    QTimer poll;
    if (wait.poll) {
      connect(&poll, &QTimer::timeout, this, &TReceiveForm::wake);
      poll.start(*wait.poll);
    }
    m_wait = &wait;
    m_loop = &loop;
    loop.exec(flags);
    m_loop = nullptr;
    m_wait = nullptr;
  }
  if (m_cancelled) return WaitEnd::Cancelled;
  return wait.over() ? WaitEnd::Over : WaitEnd::TimedOut;
}

void TReceiveForm::wake() {
  if (m_loop && m_wait->over()) m_loop->quit();
}

void TReceiveForm::CancelButtonClick() { done(QDialog::Rejected); }

}  // namespace brisvel
