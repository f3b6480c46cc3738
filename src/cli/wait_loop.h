#pragma once
// The command line's stand-in for a window's message loop. The serial monitor thread posts
// its notifications into a queue; the main thread delivers them while it waits, and Ctrl-C
// ends the wait instead of the program. The queue and the wake-up are the system's
// (wait_loop_<system>.cpp): an eventfd and signals on Linux, the Win32 notification window's
// message queue and a console control handler on Windows.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "serial/notification_window.h"

namespace brisvel::cli {

// Ctrl-C asks the running command to cancel (and SIGTERM on Linux, Ctrl-Break on Windows).
// The first one is noted and wakes any wait; a second one ends the program as it normally
// does, for the steps that do not look (each of them is bounded by the serial time-out).
class Interruption {
 public:
  // Main thread, before any other thread starts.
  static void Install();
  static bool Requested();
};

class QueuedNotificationWindow : public serial::NotificationWindow {
 public:
  using Reporter = std::function<void(const std::string& utf8Message)>;

  explicit QueuedNotificationWindow(Reporter on_message);  // throws std::system_error
  ~QueuedNotificationWindow() override;
  QueuedNotificationWindow(const QueuedNotificationWindow&) = delete;
  QueuedNotificationWindow& operator=(const QueuedNotificationWindow&) = delete;

  void setReceiver(Receiver receiver) override;
  void post(int id) override;
  void showMessage(const std::string& utf8Message) override;

  // Main thread: delivers notifications in posting order until `done` holds (true) or an
  // interruption is requested (false). No time limit; between notifications it sleeps, or,
  // given `recheck`, wakes that often to look at `done` again, for what no notification tells.
  bool DeliverUntil(const std::function<bool()>& done,
                    std::optional<std::chrono::milliseconds> recheck = std::nullopt);

 private:
  struct Queue;

  Reporter on_message_;
  std::unique_ptr<Queue> queue_;
};

}  // namespace brisvel::cli
