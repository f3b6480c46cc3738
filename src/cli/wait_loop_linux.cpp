#include "cli/wait_loop.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <deque>
#include <mutex>
#include <system_error>

namespace brisvel::cli {
namespace {

// Written by the signal handler, which may run on any thread, the monitor's included.
volatile sig_atomic_t g_interrupted = 0;
int g_interrupt_fd = -1;

void Wake(int fd) {
  const uint64_t one = 1;
  // An eventfd counter cannot fill up in practice, and a failed wake-up has no one to tell.
  [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
}

void OnInterrupt(int) {
  const int saved_errno = errno;
  g_interrupted = 1;
  Wake(g_interrupt_fd);
  errno = saved_errno;
}

void Drain(int fd) {
  uint64_t count = 0;
  while (::read(fd, &count, sizeof count) < 0 && errno == EINTR) {
  }
}

}  // namespace

void Interruption::Install() {
  g_interrupt_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (g_interrupt_fd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (int signal_number : {SIGINT, SIGTERM}) ::sigaction(signal_number, &action, nullptr);
}

bool Interruption::Requested() { return g_interrupted != 0; }

struct QueuedNotificationWindow::Queue {
  Queue() : wake_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (wake_fd < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  }
  ~Queue() { ::close(wake_fd); }
  Queue(const Queue&) = delete;
  Queue& operator=(const Queue&) = delete;

  std::deque<int> takeQueued() {
    std::deque<int> batch;
    std::lock_guard lock(mutex);
    batch.swap(ids);
    return batch;
  }

  std::mutex mutex;
  std::deque<int> ids;  // guarded by mutex
  Receiver receiver;
  int wake_fd;
};

QueuedNotificationWindow::QueuedNotificationWindow(Reporter on_message)
    : on_message_(std::move(on_message)), queue_(std::make_unique<Queue>()) {}

QueuedNotificationWindow::~QueuedNotificationWindow() = default;

void QueuedNotificationWindow::setReceiver(Receiver receiver) { queue_->receiver = std::move(receiver); }

void QueuedNotificationWindow::post(int id) {
  {
    std::lock_guard lock(queue_->mutex);
    queue_->ids.push_back(id);
  }
  Wake(queue_->wake_fd);
}

void QueuedNotificationWindow::showMessage(const std::string& utf8Message) {
  if (on_message_) on_message_(utf8Message);
}

bool QueuedNotificationWindow::DeliverUntil(const std::function<bool()>& done,
                                            std::optional<std::chrono::milliseconds> recheck) {
  const int timeout = recheck ? static_cast<int>(recheck->count()) : -1;
  for (;;) {
    for (int id : queue_->takeQueued()) {
      if (queue_->receiver) queue_->receiver(id);
    }
    if (done()) return true;
    if (Interruption::Requested()) return false;
    // A post or a signal after the checks above still wakes the poll: both counters stay
    // readable until drained. A negative fd (no Interruption installed) is skipped.
    pollfd wake[] = {{queue_->wake_fd, POLLIN, 0}, {g_interrupt_fd, POLLIN, 0}};
    if (::poll(wake, 2, timeout) < 0 && errno != EINTR) throw std::system_error(errno, std::generic_category(), "poll");
    if (wake[0].revents & POLLIN) Drain(queue_->wake_fd);
  }
}

}  // namespace brisvel::cli
