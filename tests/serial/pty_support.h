#pragma once
// Real pseudo-terminals and a notification window the test pumps itself.

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "pumped_window.h"

namespace brisvel::serial::testing {

// The test keeps the slave open so the line survives the component closing it.
struct Pty {
  int master = -1;
  int slave = -1;
  std::string path;

  Pty() {
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
  }
  ~Pty() {
    closeMaster();
    if (slave >= 0) ::close(slave);
  }
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;

  void closeMaster() {
    if (master >= 0) ::close(master);
    master = -1;
  }
  void send(const std::vector<unsigned char>& bytes) const {
    [[maybe_unused]] auto n = ::write(master, bytes.data(), bytes.size());
  }
  void send(std::size_t count, unsigned char value = 0x55) const {
    send(std::vector<unsigned char>(count, value));
  }
  // Waits until the slave's input queue holds exactly bytes.
  bool waitForInput(std::size_t bytes) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    int queued = -1;
    while (ioctl(slave, FIONREAD, &queued) == 0 && static_cast<std::size_t>(queued) != bytes &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return static_cast<std::size_t>(queued) == bytes;
  }
  // Reads what reaches the master until the line stays quiet for a moment.
  std::size_t drain() const {
    std::size_t total = 0;
    unsigned char buffer[4096];
    pollfd p{master, POLLIN, 0};
    while (::poll(&p, 1, 100) > 0 && (p.revents & POLLIN)) {
      ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n <= 0) break;
      total += static_cast<std::size_t>(n);
    }
    return total;
  }
};

inline int threadCount() {
  int n = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}

}  // namespace brisvel::serial::testing
