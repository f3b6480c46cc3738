// The receive dialog (TReceiveForm) in Win32.
#include "app_win32/remocondata_receive.h"

#include <algorithm>

#include "core/formats/wide_text_win32.h"

namespace brisvel {
namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT_PTR kPollTimer = 1;
constexpr UINT_PTR kDeadlineTimer = 2;
constexpr int kCancelButtonId = 100;
// The modal result of a wait that ended on what it waited for or on its deadline.
constexpr int kWaitEndedResult = 3;
// How long the unseen wait sleeps at most before it looks at its wait again.
constexpr std::chrono::milliseconds kUnseenSlice(10);
constexpr DesignRect kLabelArea{8, 8, 121, 73};

UINT MillisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<UINT>(std::max<long long>(left, USER_TIMER_MINIMUM));
}

}  // namespace

TReceiveForm::TReceiveForm(MakeNotifications make_notifications) : make_notifications_(std::move(make_notifications)) {
  create(L"リモコン受信", WS_POPUP | WS_CAPTION | WS_SYSMENU, {138, 124}, POINT{541, 565}, ActiveThreadWindow());
  // Not the default button, but a focused push button takes Enter, and as the only control
  // that takes the focus it always has it.
  CancelButton = addControl(L"BUTTON", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, {56, 96, 81, 25}, kCancelButtonId);
  Label1 = addControl(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, kLabelArea);
  GroupBox1 = addControl(L"BUTTON", L"", BS_GROUPBOX | WS_CLIPSIBLINGS, {0, 0, 137, 89});
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

// Posted messages, painting and calls from other threads only: a click or a key waits in the
// queue until the dialog is up, or until the capture is over.
WaitEnd TReceiveForm::waitUnseen(const ReceiveWait& wait) {
  constexpr UINT kQuiet = PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE;
  while (!cancelled_ && !wait.over() && !(wait.deadline && Clock::now() >= *wait.deadline)) {
    const auto slice = std::min(wait.poll.value_or(kUnseenSlice), kUnseenSlice);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(slice.count()),
                              QS_POSTMESSAGE | QS_PAINT | QS_SENDMESSAGE | QS_TIMER);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | kQuiet)) {
      if (message.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(message.wParam));
        cancelled_ = true;
        break;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return endOf(wait);
}

// A notification posted before the dialog appeared ends the wait as soon as the loop runs.
WaitEnd TReceiveForm::waitShown(const std::string& text, const ReceiveWait& wait) {
  if (cancelled_ || wait.over()) return endOf(wait);
  showLabel(WideFromUtf8(text));
  if (!isModal()) {
    focusOnShow(CancelButton);
    beginModal();  // the registration window takes no input meanwhile
  }
  if (wait.poll) SetTimer(handle(), kPollTimer, static_cast<UINT>(wait.poll->count()), nullptr);
  if (wait.deadline) SetTimer(handle(), kDeadlineTimer, MillisecondsUntil(*wait.deadline), nullptr);
  wait_ = &wait;
  runModalLoop();
  wait_ = nullptr;
  KillTimer(handle(), kPollTimer);
  KillTimer(handle(), kDeadlineTimer);
  return endOf(wait);
}

WaitEnd TReceiveForm::endOf(const ReceiveWait& wait) const {
  if (cancelled_) return WaitEnd::Cancelled;
  return wait.over() ? WaitEnd::Over : WaitEnd::TimedOut;
}

// Also what the timers of a shown wait call: the deadline ends it too.
void TReceiveForm::wake() {
  if (wait_ && (wait_->over() || (wait_->deadline && Clock::now() >= *wait_->deadline)))
    setModalResult(kWaitEndedResult);
}

LRESULT TReceiveForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER && (wParam == kPollTimer || wParam == kDeadlineTimer)) {
    wake();
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

}  // namespace brisvel
