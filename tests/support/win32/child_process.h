#pragma once
// A Windows program of ours as a child process, for tests that talk to it through its pipes,
// as child_process.h does on Linux. Every wait is bounded and the child is killed on the way
// out. The child gets a console of its own (hidden), so Ctrl-C can reach it as a console
// sends it.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace brisvel::testing_support {

using namespace std::chrono_literals;

inline constexpr auto kPatience = 5s;  // far beyond anything a working program needs

class ChildProcess {
 public:
  // A relative `program` is taken from the folder of the test's own executable. `environment`
  // entries ("NAME=value") replace or add to the test's own. Throws std::system_error.
  ChildProcess(const char* program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // What the child wrote since the last call, once it closed the stream or kPatience passed
  // without more.
  std::string Stdout();
  std::string Stderr();
  // Whether `text` shows on stderr within kPatience; Stderr still returns it.
  bool LogShows(std::string_view text);

  // The exit status, or nothing if still running.
  std::optional<int> WaitExit(std::chrono::milliseconds limit = kPatience);
  // Ctrl-C, as the child's console sends it; then waits for the exit.
  std::optional<int> Interrupt();

 private:
  // One of the child's output pipes, read by a thread of its own.
  struct Stream {
    std::mutex mutex;
    std::condition_variable changed;
    std::string text;  // guarded by mutex, as closed
    bool closed = false;
    std::thread reader;

    void ReadFrom(void* pipe);  // takes the handle
    std::string Take();
  };

  // Windows handles, kept as void* so that this header need not include windows.h (which a
  // test including winsock2.h after it would not compile with).
  void* process_ = nullptr;
  unsigned long process_id_ = 0;
  void* stdin_ = nullptr;
  Stream stdout_;
  Stream stderr_;
};

}  // namespace brisvel::testing_support
