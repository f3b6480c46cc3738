#pragma once
// A program of ours as a child process, for tests that talk to it through its pipes. Every
// wait is bounded and the child is killed on the way out, so a broken program fails a test
// instead of hanging the suite. (Windows: win32/child_process.h.)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace brisvel::testing_support {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

inline constexpr auto kPatience = 5s;  // far beyond anything a working simulator needs

[[noreturn]] inline void ThrowSystemError(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

inline bool WaitReadable(int fd, std::chrono::milliseconds limit) {
  pollfd entry{fd, POLLIN, 0};
  return poll(&entry, 1, static_cast<int>(limit.count())) > 0;
}

// Reads until `count` bytes have come or `quiet` passes without one.
inline Bytes ReadBytes(int fd, std::size_t count, std::chrono::milliseconds quiet) {
  Bytes bytes;
  while (bytes.size() < count && WaitReadable(fd, quiet)) {
    std::uint8_t buffer[512];
    ssize_t got = read(fd, buffer, std::min(sizeof buffer, count - bytes.size()));
    if (got <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return bytes;
}

inline std::string ReadText(int fd, std::chrono::milliseconds quiet) {
  Bytes bytes = ReadBytes(fd, 1 << 16, quiet);
  return std::string(bytes.begin(), bytes.end());
}

class ChildProcess {
 public:
  // `environment` entries ("NAME=value") replace or add to the test's own.
  ChildProcess(const char* program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment = {}) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) {
      ThrowSystemError("pipe2");
    }
    std::vector<const char*> argv{program};
    for (const auto& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    const std::vector<std::string> variables = Environment(environment);
    std::vector<const char*> envp;
    for (const auto& variable : variables) envp.push_back(variable.c_str());
    envp.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0) ThrowSystemError("fork");
    if (pid_ == 0) {
      dup2(in[0], STDIN_FILENO);
      dup2(out[1], STDOUT_FILENO);
      dup2(err[1], STDERR_FILENO);
      execve(argv[0], const_cast<char* const*>(argv.data()), const_cast<char* const*>(envp.data()));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    stdin_ = in[1];
    stdout_ = out[0];
    stderr_ = err[0];
  }

  ~ChildProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    CloseStdin();
    close(stdout_);
    close(stderr_);
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The simulator's first line.
  std::string DevicePath() { return StdoutLine(); }
  std::string StdoutLine() {
    std::string line;
    char c;
    while (WaitReadable(stdout_, kPatience) && read(stdout_, &c, 1) == 1 && c != '\n') {
      line += c;
    }
    return line;
  }
  std::string Stdout() { return ReadText(stdout_, kPatience); }
  // What the child wrote on stderr since the last call, LogShows's reading included.
  std::string Stderr() {
    std::string text = std::move(log_) + ReadText(stderr_, kPatience);
    log_.clear();
    return text;
  }

  // Reads the event log on stderr until `text` shows in it: the only way to know the
  // simulator has dealt with input that leaves nothing on the line.
  bool LogShows(std::string_view text) {
    for (auto deadline = std::chrono::steady_clock::now() + kPatience; log_.find(text) == std::string::npos;) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      char buffer[512];
      ssize_t got = 0;
      if (left <= 0ms || !WaitReadable(stderr_, left) ||
          (got = read(stderr_, buffer, sizeof buffer)) <= 0) {
        return false;
      }
      log_.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
  }

  void PressEnter() { ASSERT_EQ(write(stdin_, "\n", 1), 1); }
  void CloseStdin() {
    if (stdin_ >= 0) close(stdin_);
    stdin_ = -1;
  }

  // The exit status, 128 + the signal when killed by one, or nothing if still running.
  std::optional<int> WaitExit(std::chrono::milliseconds limit = kPatience) {
    for (auto deadline = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(10ms)) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
    }
    return std::nullopt;
  }
  std::optional<int> Stop(int signal_number = SIGTERM) {
    kill(pid_, signal_number);
    return WaitExit();
  }
  // Ctrl-C, as the terminal sends it.
  std::optional<int> Interrupt() { return Stop(SIGINT); }

 private:
  static std::vector<std::string> Environment(const std::vector<std::string>& changes) {
    const auto name_of = [](const std::string& variable) { return variable.substr(0, variable.find('=')); };
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
      const std::string text = *variable;
      const bool changed = std::any_of(changes.begin(), changes.end(),
                                       [&](const std::string& change) { return name_of(change) == name_of(text); });
      if (!changed) variables.push_back(text);
    }
    variables.insert(variables.end(), changes.begin(), changes.end());
    return variables;
  }

  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  int stderr_ = -1;
  std::string log_;
};

}  // namespace brisvel::testing_support
