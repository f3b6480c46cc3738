// brisvel-line-server: lends pseudo-terminals, and simulated units, to Windows tests under
// wine. A Windows program under wine cannot start Linux programs or open a pty, so the test
// driver starts this first; each test connection gets a pty (or a simulator) mapped to a COM
// port of the wine prefix, and drives the far end through requests (line_protocol.h).
//
//   brisvel-line-server <wine prefix> <brisvel-unit-sim>
// Prints "127.0.0.1:<port>" and serves until its standard input closes.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "line_protocol.h"
#include "line_pty.h"

namespace brisvel::serial::testing {
namespace {

namespace fs = std::filesystem;
namespace protocol = line_protocol;

constexpr int kFirstPort = 2;  // COM1 is the console in a new prefix
constexpr int kLastPort = 255;

struct Config {
  fs::path dosdevices;
  std::string unitSim;
};

// COM numbers in use; each connection takes the lowest free one.
class PortNumbers {
 public:
  std::optional<int> take() {
    std::lock_guard lock(mutex_);
    for (int n = kFirstPort; n <= kLastPort; ++n)
      if (used_.insert(n).second) return n;
    return std::nullopt;
  }
  void give(int n) {
    std::lock_guard lock(mutex_);
    used_.erase(n);
  }

 private:
  std::mutex mutex_;
  std::set<int> used_;
};

// A COM port of the prefix: dosdevices/comN, a symbolic link wine follows at once.
class ComPort {
 public:
  ComPort(PortNumbers& numbers, const fs::path& dosdevices) : numbers_(numbers) {
    if (auto n = numbers.take()) {
      number_ = *n;
      link_ = dosdevices / ("com" + std::to_string(*n));
    }
  }
  ~ComPort() {
    std::error_code ignored;
    if (number_) fs::remove(link_, ignored);
    if (number_) numbers_.give(number_);
  }
  ComPort(const ComPort&) = delete;
  ComPort& operator=(const ComPort&) = delete;

  bool linkTo(const std::string& device) {
    std::error_code ec;
    fs::remove(link_, ec);
    fs::create_symlink(device, link_, ec);
    return number_ && !ec;
  }
  int number() const { return number_; }
  const fs::path& link() const { return link_; }

 private:
  PortNumbers& numbers_;
  int number_ = 0;
  fs::path link_;
};

// The simulator as a child, stopped with SIGTERM so that it removes its link itself.
class SimulatorProcess {
 public:
  SimulatorProcess(const std::string& program, std::vector<std::string> args) {
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    stdout_ = out[0];
  }
  ~SimulatorProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (stdout_ >= 0) close(stdout_);
  }
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  // The first line it prints, its device, once it serves on it.
  std::string device() {
    std::string line;
    char c;
    pollfd p{stdout_, POLLIN, 0};
    while (pid_ > 0 && poll(&p, 1, 5000) > 0 && read(stdout_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }

 private:
  pid_t pid_ = -1;
  int stdout_ = -1;
};

class Connection {
 public:
  Connection(int socket, const Config& config, PortNumbers& numbers)
      : socket_(socket), config_(config), numbers_(numbers) {}
  ~Connection() { close(socket_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Ends serve() from another thread.
  void stop() { shutdown(socket_, SHUT_RDWR); }

  void serve() {
    std::string line;
    while (readLine(line)) {
      if (!reply(handle(line))) break;
    }
    // Hang up before the link goes, so a component still holding the port sees the line die.
    simulator_.reset();
    pty_.reset();
    port_.reset();
  }

 private:
  std::string handle(const std::string& line) {
    std::istringstream in(line);
    std::string command;
    in >> command;
    if (command == "PTY") return lendPty();
    if (command == "SIM") return startSimulator(in);
    if (!pty_) return "ERR no pty on this connection";
    if (command == "SEND") {
      std::string hex;
      in >> hex;
      pty_->send(protocol::FromHex(hex));
      return "OK";
    }
    if (command == "RECV") {
      std::size_t count = 0;
      long ms = 0;
      in >> count >> ms;
      return protocol::ToHex(pty_->receive(count, std::chrono::milliseconds(ms)));
    }
    if (command == "QUEUED") {
      std::size_t count = 0;
      in >> count;
      return pty_->waitForInput(count) ? "1" : "0";
    }
    if (command == "DRAIN") return std::to_string(pty_->drain());
    if (command == "HANGUP") {
      pty_->closeMaster();
      return "OK";
    }
    if (command == "TTY") return protocol::ToText(pty_->tty());
    if (command == "PRESET") {
      int two = 0, start = 0;
      in >> two >> start;
      pty_->presetTty(two != 0, static_cast<unsigned char>(start));
      return "OK";
    }
    return "ERR unknown request " + command;
  }

  std::string lendPty() {
    if (port_) return "ERR one port per connection";
    port_.emplace(numbers_, config_.dosdevices);
    pty_.emplace();
    if (pty_->path.empty() || !port_->linkTo(pty_->path)) return "ERR no pty";
    return std::to_string(port_->number());
  }

  std::string startSimulator(std::istringstream& in) {
    if (port_) return "ERR one port per connection";
    port_.emplace(numbers_, config_.dosdevices);
    if (!port_->number()) return "ERR no free COM port";
    std::vector<std::string> args{"--link", port_->link().string()};
    for (std::string arg; in >> arg;) args.push_back(arg);
    simulator_.emplace(config_.unitSim, args);
    if (simulator_->device().empty()) return "ERR the simulator did not start";
    return std::to_string(port_->number());
  }

  bool readLine(std::string& line) {
    std::size_t end;
    while ((end = received_.find('\n')) == std::string::npos) {
      char buffer[4096];
      ssize_t n = recv(socket_, buffer, sizeof buffer, 0);
      if (n <= 0) return false;
      received_.append(buffer, static_cast<std::size_t>(n));
    }
    line = received_.substr(0, end);
    received_.erase(0, end + 1);
    return true;
  }

  bool reply(std::string text) {
    text += '\n';
    for (std::size_t sent = 0; sent < text.size();) {
      ssize_t n = send(socket_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<std::size_t>(n);
    }
    return true;
  }

  int socket_;
  const Config& config_;
  PortNumbers& numbers_;
  std::string received_;
  std::optional<ComPort> port_;
  std::optional<Pty> pty_;
  std::optional<SimulatorProcess> simulator_;
};

int listenOnLoopback() {
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0)
    return -1;
  return s;
}

int portOf(int s) {
  sockaddr_in address{};
  socklen_t size = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  return ntohs(address.sin_port);
}

int serve(const Config& config) {
  int listener = listenOnLoopback();
  if (listener < 0) {
    std::perror("brisvel-line-server: listen");
    return 1;
  }
  std::printf("127.0.0.1:%d\n", portOf(listener));
  std::fflush(stdout);
  PortNumbers numbers;
  struct Served {
    std::unique_ptr<Connection> connection;
    std::jthread thread;  // joined before the connection goes
  };
  std::vector<Served> connections;
  for (;;) {
    pollfd watched[2] = {{listener, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    if (poll(watched, 2, -1) < 0) continue;
    if (watched[1].revents) {
      char c;
      if (read(STDIN_FILENO, &c, 1) <= 0) break;
    }
    if (watched[0].revents & POLLIN) {
      int s = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
      if (s < 0) continue;
      auto connection = std::make_unique<Connection>(s, config, numbers);
      Connection* served = connection.get();
      connections.push_back({std::move(connection), std::jthread([served] { served->serve(); })});
    }
  }
  for (auto& c : connections) c.connection->stop();
  connections.clear();
  close(listener);
  return 0;
}

}  // namespace
}  // namespace brisvel::serial::testing

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: brisvel-line-server <wine prefix> <brisvel-unit-sim>\n");
    return 2;
  }
  signal(SIGPIPE, SIG_IGN);
  namespace t = brisvel::serial::testing;
  return t::serve(t::Config{std::filesystem::path(argv[1]) / "dosdevices", argv[2]});
}
