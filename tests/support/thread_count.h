#pragma once
// Threads the program itself started, for comparing counts before and after: a change is a
// serial monitor thread started or left behind.
#include <chrono>
#include <cstddef>
#include <thread>

namespace brisvel::testing_support {

// Linux: threads that carry the program's own name (Qt names its helper threads, which come
// and go as they please; a monitor thread is an unnamed one). Windows: threads begun through
// the C runtime, as std::thread begins them.
size_t UnnamedThreadCount();

// The count once it is `expected`, or after a second what it still is: a joined thread can
// stay listed for a moment while the system reaps it, a thread left behind stays for good.
inline size_t UnnamedThreadCountSettledAt(size_t expected) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  size_t count = UnnamedThreadCount();
  while (count != expected && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    count = UnnamedThreadCount();
  }
  return count;
}

}  // namespace brisvel::testing_support
