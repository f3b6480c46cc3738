// brisvel-unit-sim: a simulated capture unit on a pseudo-terminal.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <optional>
#include <system_error>

#include "device_link.h"
#include "options.h"
#include "pseudo_terminal.h"
#include "unit.h"

namespace brisvel::unit_sim {
namespace {

int g_stop_write_fd = -1;

extern "C" void OnStopSignal(int) {
  int saved_errno = errno;
  char byte = 0;
  [[maybe_unused]] ssize_t ignored = write(g_stop_write_fd, &byte, 1);
  errno = saved_errno;
}

// A pipe the signal handler writes to, so the poll loop wakes and the destructors run
// (the link is removed) instead of the process dying inside a handler.
class StopSignal {
 public:
  StopSignal() {
    if (pipe(fds_) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
    for (int fd : fds_) fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(fds_[1], F_SETFL, O_NONBLOCK);  // a burst of signals must not block the handler
    g_stop_write_fd = fds_[1];
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
  ~StopSignal() {
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    close(fds_[0]);
    close(fds_[1]);
  }
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  int fd() const { return fds_[0]; }

 private:
  int fds_[2];
};

int Serve(const Options& options) {
  StopSignal stop;
  PseudoTerminal line;
  std::optional<DeviceLink> link;
  if (options.link_path) link.emplace(*options.link_path, line.slave_path());
  std::printf("%s\n", line.slave_path().c_str());
  std::fflush(stdout);
  Unit(options, line, stop.fd()).Run();
  return 0;
}

int Main(int argc, char** argv) {
  ParseResult parsed = ParseCommandLine(argc, argv);
  if (std::holds_alternative<HelpRequested>(parsed)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (auto* error = std::get_if<UsageError>(&parsed)) {
    std::fprintf(stderr, "brisvel-unit-sim: %s\nTry 'brisvel-unit-sim --help'.\n",
                 error->message.c_str());
    return 2;
  }
  try {
    return Serve(std::get<Options>(parsed));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "brisvel-unit-sim: %s\n", error.what());
    return 1;
  }
}

}  // namespace
}  // namespace brisvel::unit_sim

int main(int argc, char** argv) { return brisvel::unit_sim::Main(argc, argv); }
