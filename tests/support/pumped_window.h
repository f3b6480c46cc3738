#pragma once
// A notification window that tests pump themselves on their own thread, in place of an
// application's event loop.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "serial/notification_window.h"

namespace brisvel::serial::testing {

struct PumpLog {
  std::mutex mutex;
  std::condition_variable arrived;
  std::deque<int> queue;
  std::vector<std::string> messages;
  NotificationWindow::Receiver receiver;
};

class PumpedWindow : public NotificationWindow {
 public:
  explicit PumpedWindow(PumpLog& log) : log_(log) {}
  ~PumpedWindow() override {
    std::lock_guard lock(log_.mutex);
    log_.queue.clear();
    log_.receiver = nullptr;
  }

  void setReceiver(Receiver receiver) override { log_.receiver = std::move(receiver); }
  void post(int id) override {
    std::lock_guard lock(log_.mutex);
    log_.queue.push_back(id);
    log_.arrived.notify_all();
  }
  void showMessage(const std::string& message) override { log_.messages.push_back(message); }

 private:
  PumpLog& log_;
};

// Delivers queued notifications on the calling thread until pred holds or time runs out.
template <typename Pred>
bool pumpUntil(PumpLog& log, Pred pred, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    std::unique_lock lock(log.mutex);
    log.arrived.wait_until(lock, deadline, [&] { return !log.queue.empty(); });
    std::deque<int> batch;
    batch.swap(log.queue);
    lock.unlock();
    for (int id : batch)
      if (log.receiver) log.receiver(id);
    if (pred()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
}

inline std::size_t queuedCount(PumpLog& log) {
  std::lock_guard lock(log.mutex);
  return log.queue.size();
}

}  // namespace brisvel::serial::testing
