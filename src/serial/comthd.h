#pragma once
// The monitor thread: waits for line events and hands each to the component's dispatcher.

#include <atomic>
#include <functional>
#include <thread>

namespace brisvel::serial {

class SerialPort;
class Trs232c;

// Starts a thread running body; replaceable so tests can make thread creation fail.
using ThreadStarter = std::function<std::thread(std::function<void()> body)>;
std::thread startThread(std::function<void()> body);

class tcommthread {
 public:
  tcommthread(Trs232c& owner, SerialPort& port);
  // A thread still joinable here aborts the program rather than outlive the port.
  ~tcommthread() = default;
  tcommthread(const tcommthread&) = delete;
  tcommthread& operator=(const tcommthread&) = delete;

  void Start(const ThreadStarter& starter);  // throws ThreadError
  // The caller releases the pending wait (by changing the event mask) after this.
  void Terminate();
  void WaitFor();  // throws ThreadError

 private:
  void Execute();

  Trs232c& owner_;
  SerialPort& port_;
  std::atomic<bool> terminated_{false};
  std::thread thread_;
};

}  // namespace brisvel::serial
