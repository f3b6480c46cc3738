#pragma once
// Real pseudo-terminals and a notification window the test pumps itself.

#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "pumped_window.h"
#include "serial/notification_window.h"

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
};

inline int threadCount() {
  int n = 0;
  for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++n;
  return n;
}


}  // namespace brisvel::serial::testing
