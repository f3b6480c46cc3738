#include "app_win32/remocondata_receive.h"

#include <algorithm>

#include "core/capture_exchange.h"

namespace brisvel {

TReceiveForm* ReceiveForm = nullptr;

namespace {

using Clock = std::chrono::steady_clock;

// Long enough for any unit that answers, short enough that a silent one is noticed.
constexpr std::chrono::milliseconds kQuietReplyWait(300);
constexpr UINT kAnswerPollInterval = 10;
constexpr UINT_PTR kAnswerPollTimer = 1;
constexpr int kCancelButtonId = 100;
// The modal results beside OK and cancel: the line hung up; the wait for the answer is over.
constexpr int kLineLostResult = 3;
constexpr int kReplyWaitOverResult = 4;

constexpr wchar_t kSendText[] = L"PC-OP-RS1にデータを送信してください";
constexpr wchar_t kAwaitingReplyText[] = L"PC-OP-RS1の応答を待っています";
constexpr DesignRect kLabelArea{8, 8, 121, 73};

}  // namespace

TReceiveForm::TReceiveForm(std::unique_ptr<serial::NotificationWindow> notifications)
    : rs232c(std::make_unique<serial::Trs232c>(std::move(notifications))) {
  ReceiveForm = this;
  create(L"リモコン受信", WS_POPUP | WS_CAPTION | WS_SYSMENU, {138, 124}, POINT{541, 565}, ActiveThreadWindow());
  // Not the default button, but a focused push button takes Enter, and as the only control
  // that takes the focus it always has it.
  CancelButton = addControl(L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, {56, 96, 81, 25}, kCancelButtonId);
  Label1 = addControl(L"STATIC", kSendText, SS_LEFT | SS_NOPREFIX, kLabelArea);
  GroupBox1 = addControl(L"BUTTON", L"", BS_GROUPBOX | WS_CLIPSIBLINGS, {0, 0, 137, 89});
  showLabel(kSendText);

  ApplyCaptureUnitSettings(*rs232c);
  rs232c->OnPACKET = [this](serial::Trs232c& sender) { rs232cPACKET(sender); };
  rs232c->OnHANGUP = [this](serial::Trs232c& sender) { rs232cHANGUP(sender); };
}

// The port closes before the window goes, so no notification finds the dialog half gone.
TReceiveForm::~TReceiveForm() {
  rs232c.reset();
  if (ReceiveForm == this) ReceiveForm = nullptr;
}

// Left-aligned and word-wrapped, the text sits in the middle of the label's height.
void TReceiveForm::showLabel(const std::wstring& text) {
  label_text_ = text;
  SetWindowTextW(Label1, text.c_str());
  const int height = std::min(kLabelArea.height, static_cast<int>(MeasureText(text, kLabelArea.width, false).cy));
  moveControl(Label1, {kLabelArea.left, kLabelArea.top + (kLabelArea.height - height) / 2, kLabelArea.width, height});
}

void TReceiveForm::dpiApplied() {
  if (Label1) showLabel(label_text_);
}

ReceiveResult TReceiveForm::waitForReply(std::chrono::milliseconds limit) {
  reply_deadline_ = Clock::now() + limit;
  pumpQuietly(std::min(limit, kQuietReplyWait));
  if (!replyWaitOver() && Clock::now() < reply_deadline_) {
    showLabel(kAwaitingReplyText);
    focusOnShow(CancelButton);
    beginModal();  // the registration window takes no input meanwhile
    SetTimer(handle(), kAnswerPollTimer, kAnswerPollInterval, nullptr);
    runModalLoop();
    KillTimer(handle(), kAnswerPollTimer);
    showLabel(kSendText);
  }
  const ReceiveResult result = replyWaitOver() ? endedWait() : ReceiveResult::TimedOut;
  if (result != ReceiveResult::Received && isModal()) endModal();
  return result;
}

// Posted messages, painting and calls from other threads only: a click or a key waits in the
// queue until the dialog is up, or until the capture is over.
void TReceiveForm::pumpQuietly(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  constexpr UINT kQuiet = PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE;
  while (!replyWaitOver() && Clock::now() < deadline) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kAnswerPollInterval, QS_POSTMESSAGE | QS_PAINT | QS_SENDMESSAGE | QS_TIMER);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | kQuiet)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        cancelled_ = true;
        return;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

bool TReceiveForm::replyWaitOver() {
  replied_ = replied_ || AnswerArrived(*rs232c);
  return replied_ || line_lost_ || cancelled_;
}

void TReceiveForm::checkReply() {
  if (replyWaitOver() || Clock::now() >= reply_deadline_) setModalResult(kReplyWaitOverResult);
}

ReceiveResult TReceiveForm::endedWait() const {
  if (line_lost_) return ReceiveResult::LineLost;
  if (cancelled_) return ReceiveResult::Cancelled;
  return ReceiveResult::Received;
}

// A packet or a hang-up that came while the answer was awaited has ended this wait already;
// one posted before the dialog appeared ends it as soon as the loop runs.
ReceiveResult TReceiveForm::waitForPacket() {
  if (!packet_in_ && !line_lost_ && !cancelled_) {
    showLabel(kSendText);
    if (!isModal()) {
      focusOnShow(CancelButton);
      beginModal();
    }
    runModalLoop();
  }
  if (isModal()) endModal();
  if (line_lost_) return ReceiveResult::LineLost;
  return packet_in_ ? ReceiveResult::Received : ReceiveResult::Cancelled;
}

LRESULT TReceiveForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && wParam == kAnswerPollTimer) {
    checkReply();
    return 0;
  }
  return Window::handleMessage(message, wParam, lParam);
}

// Esc (IDCANCEL) does nothing: only Cancel and the close box end a capture.
void TReceiveForm::command(int id, int code, HWND) {
  if (id == kCancelButtonId && code == BN_CLICKED) CancelButtonClick();
}

void TReceiveForm::CancelButtonClick() {
  cancelled_ = true;
  setModalResult(kResultCancel);
}

void TReceiveForm::rs232cPACKET(serial::Trs232c&) {
  packet_in_ = true;
  setModalResult(kResultOk);
}

// The adapter went away: no packet can come, whichever wait runs.
void TReceiveForm::rs232cHANGUP(serial::Trs232c&) {
  line_lost_ = true;
  setModalResult(kLineLostResult);
}

}  // namespace brisvel
