#include "app/remocondata_receive.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

#include "app/form_style.h"
#include "core/capture_exchange.h"

namespace brisvel {

TReceiveForm* ReceiveForm = nullptr;

namespace {

using Clock = std::chrono::steady_clock;

// Long enough for any unit that answers, short enough that a silent one is noticed.
constexpr std::chrono::milliseconds kQuietReplyWait(300);
constexpr std::chrono::milliseconds kAnswerPollInterval(10);
// The modal result of a wait the line's hang-up ended, beside Accepted and Rejected.
constexpr int kLineLostResult = 3;

const QString kSendText = QStringLiteral("PC-OP-RS1にデータを送信してください");
const QString kAwaitingReplyText = QStringLiteral("PC-OP-RS1の応答を待っています");

}  // namespace

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
  Label1 = new QLabel(kSendText, GroupBox1);
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
  rs232c->OnHANGUP = [this](serial::Trs232c& sender) { rs232cHANGUP(sender); };
  connect(CancelButton, &QPushButton::clicked, this, &TReceiveForm::CancelButtonClick);
  // Cancel and the close box, whichever wait is running.
  connect(this, &QDialog::rejected, this, [this] {
    m_cancelled = true;
    endReplyWait();
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

TReceiveForm::~TReceiveForm() {
  if (ReceiveForm == this) ReceiveForm = nullptr;
}

ReceiveResult TReceiveForm::waitForReply(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  runEventsUntilReply(std::min(limit, kQuietReplyWait), QEventLoop::ExcludeUserInputEvents);
  if (!replyWaitOver()) {
    Label1->setText(kAwaitingReplyText);
    show();  // modal: the registration window takes no input meanwhile
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    runEventsUntilReply(std::max(left, std::chrono::milliseconds(0)), QEventLoop::AllEvents);
    Label1->setText(kSendText);
  }
  if (m_replied && !m_lineLost && !m_cancelled) return ReceiveResult::Received;
  hide();
  if (m_lineLost) return ReceiveResult::LineLost;
  return m_cancelled ? ReceiveResult::Cancelled : ReceiveResult::TimedOut;
}

void TReceiveForm::runEventsUntilReply(std::chrono::milliseconds limit, QEventLoop::ProcessEventsFlags flags) {
  if (replyWaitOver()) return;
  QEventLoop loop;
  QTimer::singleShot(limit, &loop, &QEventLoop::quit);
  QTimer poll;
  connect(&poll, &QTimer::timeout, &loop, [this] {
    if (replyWaitOver()) endReplyWait();
  });
  poll.start(kAnswerPollInterval);
  m_replyLoop = &loop;
  loop.exec(flags);
  m_replyLoop = nullptr;
}

bool TReceiveForm::replyWaitOver() {
  m_replied = m_replied || AnswerArrived(*rs232c);
  return m_replied || m_lineLost || m_cancelled;
}

void TReceiveForm::endReplyWait() {
  if (m_replyLoop) m_replyLoop->quit();
}

// A packet or a hang-up that came while the answer was awaited has ended this wait already.
ReceiveResult TReceiveForm::waitForPacket() {
  if (!m_packetIn && !m_lineLost) exec();
  if (m_lineLost) return ReceiveResult::LineLost;
  return m_packetIn ? ReceiveResult::Received : ReceiveResult::Cancelled;
}

void TReceiveForm::CancelButtonClick() { done(QDialog::Rejected); }

void TReceiveForm::rs232cPACKET(serial::Trs232c&) {
  m_packetIn = true;
  done(QDialog::Accepted);
}

// The adapter went away: no packet can come, whichever wait runs.
void TReceiveForm::rs232cHANGUP(serial::Trs232c&) {
  m_lineLost = true;
  endReplyWait();
  done(kLineLostResult);
}

}  // namespace brisvel
