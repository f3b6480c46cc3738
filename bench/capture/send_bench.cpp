// Sending a code through the registration window's commands and its receive dialog (Qt
// offscreen) against a unit on a pseudo-terminal: an in-process far side that answers at a
// 115200 bit/s line's pace, so that its reads and the tool's call share one steady clock,
// and the simulator, brisvel-unit-sim, as its own process. Baselines run alongside: the same
// bytes through a bare file descriptor.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>

#include "app/application.h"
#include "app/register_main.h"
#include "app/ui_notifications.h"
#include "core/formats/capture_exchange.h"
#include "unit/protocol.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
namespace unit = brisvel::unit;

constexpr auto kByteTime = std::chrono::nanoseconds(1'000'000'000LL * 10 / 115200);  // 8N1
// "t", "Y", the output, "Y", the code, "E".
constexpr std::size_t kExchangeBytes = 4 + unit::kCodeBytes + 1;
const auto kWireTime = kByteTime * kExchangeBytes;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The unit's side of the line. Each answer leaves when a real line would have carried the
// request and the answer, counted from the moment the request's first byte was read.
class PacedUnit {
 public:
  PacedUnit() {
    termios raw{};
    cfmakeraw(&raw);
    if (openpty(&master_, &slave_, name_, &raw, nullptr) != 0) {
      std::perror("openpty");
      std::exit(1);
    }
    thread_ = std::thread([this] { serve(); });
  }
  ~PacedUnit() {
    stop_ = true;
    thread_.join();
    close(master_);
    close(slave_);  // held so that the tool's close never hangs the line up
  }

  const char* device() const { return name_; }
  // When the last "t" came in.
  Clock::time_point startRead() const { return start_read_.load(); }

 private:
  void serve() {
    enum class Awaits { Start, Output, Code } awaits = Awaits::Start;
    std::size_t code_bytes = 0;
    Clock::time_point code_start;
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      std::array<std::uint8_t, 512> buffer;
      const ssize_t got = read(master_, buffer.data(), buffer.size());
      const auto now = Clock::now();
      for (ssize_t i = 0; i < got; ++i) {
        const std::uint8_t byte = buffer[static_cast<std::size_t>(i)];
        if (awaits == Awaits::Start && byte == unit::kStartSend) {
          start_read_ = now;
          answer(now, 1, unit::kAcknowledgement);
          awaits = Awaits::Output;
        } else if (awaits == Awaits::Output && unit::OutputOf(byte)) {
          answer(now, 1, unit::kAcknowledgement);
          awaits = Awaits::Code;
          code_bytes = 0;
        } else if (awaits == Awaits::Code) {
          if (code_bytes++ == 0) code_start = now;
          if (code_bytes < unit::kCodeBytes) continue;
          answer(code_start, unit::kCodeBytes, unit::kCodeEnd);
          awaits = Awaits::Start;
        }
      }
    }
  }

  // A sleep can wake a millisecond late on a busy machine; the last stretch spins, so that the
  // far side's lateness does not count as the tool's.
  void answer(Clock::time_point request_read, std::size_t request_bytes, std::uint8_t byte) {
    const auto due = request_read + kByteTime * (request_bytes + 1);
    std::this_thread::sleep_until(due - 500us);
    while (Clock::now() < due) {
    }
    while (write(master_, &byte, 1) != 1) {
    }
  }

  int master_ = -1, slave_ = -1;
  char name_[256]{};
  std::atomic<bool> stop_{false};
  std::atomic<Clock::time_point> start_read_{};
  std::thread thread_;
};

// brisvel-unit-sim as a child process, serving on the device it prints first.
class SimulatorProcess {
 public:
  SimulatorProcess() {
    int out[2];
    if (pipe(out) != 0) std::exit(1);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {BRISVEL_UNIT_SIM_PATH, "--delay", "0", nullptr};
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ) != 0) std::exit(1);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    out_ = fdopen(out[0], "r");
    char line[256] = {};
    if (!fgets(line, sizeof line, out_)) std::exit(1);
    device_ = std::string(line, strcspn(line, "\n"));
  }
  ~SimulatorProcess() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    fclose(out_);
  }
  const std::string& device() const { return device_; }

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
  std::string device_;
};

// The registration window, unseen, with one row to send.
struct Window {
  QTemporaryDir dir;
  brisvel::TRegisterForm form{brisvel::RegisterFormEnvironment{
      {dir.filePath("brisvel.ini").toStdString(), [] { return std::vector<brisvel::SerialPortInfo>{}; }, 30000,
       dir.filePath("state").toStdString()},
      [] { return brisvel::MakeUiNotificationWindow(); }}};
  Window() { form.commands().list().append({"code", brisvel::HexText(unit::Code{0x80, 0x0F, 0xA5})}); }

  bool send(const std::string& device) {
    return form.commands().Send(0, 1, device).ended == brisvel::SendOutcome::Ended::Sent;
  }
};

Window* window = nullptr;

// The same exchange by hand: open, raw, write, read, close.
bool BareExchange(const char* device, PacedUnit* far_side, Clock::duration* to_first_byte) {
  const auto start = Clock::now();
  const int fd = open(device, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  termios raw{};
  tcgetattr(fd, &raw);
  cfmakeraw(&raw);
  cfsetspeed(&raw, B115200);
  tcsetattr(fd, TCSANOW, &raw);
  const unit::Code code{};
  std::uint8_t answer = 0;
  const std::uint8_t output = unit::OutputByte(1);
  bool ok = write(fd, &unit::kStartSend, 1) == 1 && read(fd, &answer, 1) == 1;
  if (far_side) *to_first_byte = far_side->startRead() - start;
  ok = ok && write(fd, &output, 1) == 1 && read(fd, &answer, 1) == 1;
  ok = ok && write(fd, code.data(), code.size()) == static_cast<ssize_t>(code.size()) && read(fd, &answer, 1) == 1;
  close(fd);
  return ok && answer == unit::kCodeEnd;
}

void BM_CallToFirstByte(benchmark::State& state) {
  PacedUnit far_side;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!window->send(far_side.device())) state.SkipWithError("send failed");
    state.SetIterationTime(Seconds(far_side.startRead() - start));
  }
}

void BM_CallToFirstByteBare(benchmark::State& state) {
  PacedUnit far_side;
  for (auto _ : state) {
    Clock::duration to_first_byte{};
    if (!BareExchange(far_side.device(), &far_side, &to_first_byte)) state.SkipWithError("exchange failed");
    state.SetIterationTime(Seconds(to_first_byte));
  }
}

// The whole exchange less the wire time of its 245 bytes.
void BM_OverheadBeyondWire(benchmark::State& state) {
  PacedUnit far_side;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!window->send(far_side.device())) state.SkipWithError("send failed");
    state.SetIterationTime(Seconds(Clock::now() - start - kWireTime));
  }
}

void BM_OverheadBeyondWireBare(benchmark::State& state) {
  PacedUnit far_side;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!BareExchange(far_side.device(), nullptr, nullptr)) state.SkipWithError("exchange failed");
    state.SetIterationTime(Seconds(Clock::now() - start - kWireTime));
  }
}

// The simulator answers at once, so here the whole exchange is overhead: the tool's, the
// simulator's and the kernel's.
void BM_SendToSimulator(benchmark::State& state) {
  SimulatorProcess simulator;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!window->send(simulator.device())) state.SkipWithError("send failed");
    state.SetIterationTime(Seconds(Clock::now() - start));
  }
}

void BM_SendToSimulatorBare(benchmark::State& state) {
  SimulatorProcess simulator;
  for (auto _ : state) {
    const auto start = Clock::now();
    if (!BareExchange(simulator.device().c_str(), nullptr, nullptr)) state.SkipWithError("exchange failed");
    state.SetIterationTime(Seconds(Clock::now() - start));
  }
}

#define SEND_BENCHMARK(name) \
  BENCHMARK(name)->UseManualTime()->Iterations(50)->Repetitions(5)->ReportAggregatesOnly()->Unit(benchmark::kMicrosecond)
SEND_BENCHMARK(BM_CallToFirstByteBare);
SEND_BENCHMARK(BM_CallToFirstByte);
SEND_BENCHMARK(BM_OverheadBeyondWireBare);
SEND_BENCHMARK(BM_OverheadBeyondWire);
SEND_BENCHMARK(BM_SendToSimulatorBare);
SEND_BENCHMARK(BM_SendToSimulator);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  prctl(PR_SET_TIMERSLACK, 1UL);  // keep the far side's pacing close to the line's
  brisvel::Application app(argc, argv);
  Window shown;
  window = &shown;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
