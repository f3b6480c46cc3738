#include <windows.h>

#include <atomic>
#include <system_error>

#include "cli/wait_loop.h"
#include "serial_win32/win32_notification_window.h"

namespace brisvel::cli {
namespace {

// Set by the console's control handler, which runs on a thread the system starts for it.
std::atomic<bool> g_interrupted{false};
HANDLE g_interrupt_event = nullptr;  // manual-reset: stays set once asked

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  // The second one goes on to the default handler, which ends the program.
  if (g_interrupted.exchange(true)) return FALSE;
  SetEvent(g_interrupt_event);
  return TRUE;
}

}  // namespace

void Interruption::Install() {
  g_interrupt_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!g_interrupt_event) throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateEventW");
  // A process started in a group of its own ignores Ctrl-C until it asks for it, as one
  // started in the background on Linux ignores SIGINT until a handler is installed.
  SetConsoleCtrlHandler(nullptr, FALSE);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool Interruption::Requested() { return g_interrupted.load(); }

// The serial link's notifications are messages to a message-only window of this thread, as
// in a window program; the wait pumps them.
struct QueuedNotificationWindow::Queue {
  explicit Queue(const Reporter& on_handler_error) : window("brisvelremo-cli", on_handler_error) {}

  serial_win32::Win32NotificationWindow window;
};

QueuedNotificationWindow::QueuedNotificationWindow(Reporter on_message)
    : on_message_(std::move(on_message)), queue_(std::make_unique<Queue>(on_message_)) {}

QueuedNotificationWindow::~QueuedNotificationWindow() = default;

void QueuedNotificationWindow::setReceiver(Receiver receiver) { queue_->window.setReceiver(std::move(receiver)); }

void QueuedNotificationWindow::post(int id) { queue_->window.post(id); }

// The terminal, not a message box, shows the component's debug reports.
void QueuedNotificationWindow::showMessage(const std::string& utf8Message) {
  if (on_message_) on_message_(utf8Message);
}

bool QueuedNotificationWindow::DeliverUntil(const std::function<bool()>& done,
                                            std::optional<std::chrono::milliseconds> recheck) {
  const DWORD timeout = recheck ? static_cast<DWORD>(recheck->count()) : INFINITE;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    if (done()) return true;
    if (Interruption::Requested()) return false;
    // Input already in the queue ends the wait at once; the event stays set once asked. No
    // event (no Interruption installed) waits for messages alone.
    const DWORD events = g_interrupt_event ? 1 : 0;
    if (MsgWaitForMultipleObjectsEx(events, &g_interrupt_event, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_FAILED)
      throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "MsgWaitForMultipleObjectsEx");
  }
}

}  // namespace brisvel::cli
