#pragma once
// The command line's stand-in for a window's message loop. The serial monitor thread posts
// its notifications into a queue; the main thread delivers them while it waits, and Ctrl-C
// ends the wait instead of the program.
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "serial/notification_window.h"

namespace brisvel::cli {

// SIGINT (Ctrl-C) and SIGTERM ask the running command to cancel. The first one is noted and
// wakes any wait; a second one ends the program as the signal normally does, for the steps
// that do not look (each of them is bounded by the serial time-out).
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
  // interruption is requested (false). No time limit; between notifications it sleeps.
  bool DeliverUntil(const std::function<bool()>& done);

 private:
  std::deque<int> takeQueued();

  std::mutex mutex_;
  std::deque<int> queue_;  // guarded by mutex_
  Receiver receiver_;
  Reporter on_message_;
  int wake_fd_;
};

}  // namespace brisvel::cli
