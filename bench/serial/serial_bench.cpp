// Packet latency from the far side of a pty to OnPACKET on the UI thread, and the CPU the
// monitor costs while bytes sit unread or the line is hung up. Baselines run alongside:
// the kernel's own pty delivery time, and an idle wait of the same length.

#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>
#include <vector>

#include "serial/rs232c.h"
#include "serial_qt/qt_notification_window.h"

namespace {

using Clock = std::chrono::steady_clock;
using brisvel::serial::Trs232c;
constexpr auto kCpuWindow = std::chrono::seconds(2);

struct Pty {
  int master = -1;
  int slave = -1;
  char name[256] = {};
  // Raw, so the baseline's reads return byte by byte as the component's do.
  Pty() {
    termios raw{};
    cfmakeraw(&raw);
    openpty(&master, &slave, name, &raw, nullptr);
  }
  ~Pty() {
    if (master >= 0) ::close(master);
    ::close(slave);
  }
  void send(std::size_t n) const {
    std::vector<unsigned char> bytes(n, 0x55);
    [[maybe_unused]] auto w = ::write(master, bytes.data(), n);
  }
};

// Quit by OnPACKET so the UI thread sleeps in its loop until the notification arrives.
QEventLoop* packetLoop = nullptr;

std::unique_ptr<Trs232c> captureComponent(const char* device, bool& packetSeen) {
  auto window = std::make_unique<brisvel::serial_qt::QtNotificationWindow>(nullptr, nullptr);
  auto port = std::make_unique<Trs232c>(std::move(window));
  port->portname = device;
  port->bps = 115200;
  port->flowflag = 0;
  port->set_flow({});
  port->packetsize = 242;
  port->OnPACKET = [&packetSeen](Trs232c&) {
    packetSeen = true;
    if (packetLoop) packetLoop->quit();
  };
  return port;
}

// Runs the UI loop, sleeping between events, for a fixed wall time.
void pumpFor(std::chrono::milliseconds span) {
  QEventLoop loop;
  QTimer::singleShot(span, &loop, &QEventLoop::quit);
  loop.exec();
}

double cpuSeconds() {
  rusage use{};
  getrusage(RUSAGE_SELF, &use);
  auto seconds = [](const timeval& tv) { return double(tv.tv_sec) + double(tv.tv_usec) * 1e-6; };
  return seconds(use.ru_utime) + seconds(use.ru_stime);
}

// Percent of one core used by the whole process over a fixed wall time on the UI loop.
double cpuPercentWhilePumping() {
  double before = cpuSeconds();
  pumpFor(std::chrono::duration_cast<std::chrono::milliseconds>(kCpuWindow));
  return (cpuSeconds() - before) / std::chrono::duration<double>(kCpuWindow).count() * 100.0;
}

void BM_PtyDeliveryBaseline(benchmark::State& state) {
  Pty pty;
  unsigned char byte = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    pty.send(1);
    pollfd p{pty.slave, POLLIN, 0};
    ::poll(&p, 1, 1000);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    [[maybe_unused]] auto r = ::read(pty.slave, &byte, 1);
  }
}

void BM_PacketToOnPacket(benchmark::State& state) {
  Pty pty;
  bool seen = false;
  auto port = captureComponent(pty.name, seen);
  if (!port->Open()) state.SkipWithError("open failed");
  std::vector<unsigned char> packet(242);
  for (auto _ : state) {
    seen = false;
    pty.send(241);
    pumpFor(std::chrono::milliseconds(5));  // the monitor has seen the 241 bytes
    auto start = Clock::now();
    pty.send(1);
    QEventLoop loop;
    packetLoop = &loop;
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    if (!seen) loop.exec();
    packetLoop = nullptr;
    if (!seen) state.SkipWithError("no packet within 1 s");
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    port->Read(packet.data(), 242);
  }
}

void BM_CpuIdleBaseline(benchmark::State& state) {
  for (auto _ : state) state.counters["cpu_percent"] = cpuPercentWhilePumping();
}

void BM_CpuWith241Unread(benchmark::State& state) {
  Pty pty;
  bool seen = false;
  auto port = captureComponent(pty.name, seen);
  port->Open();
  pty.send(241);
  for (auto _ : state) state.counters["cpu_percent"] = cpuPercentWhilePumping();
}

void BM_CpuAfterHangUp(benchmark::State& state) {
  Pty pty;
  bool seen = false;
  auto port = captureComponent(pty.name, seen);
  port->Open();
  ::close(pty.master);
  pty.master = -1;
  for (auto _ : state) state.counters["cpu_percent"] = cpuPercentWhilePumping();
}

BENCHMARK(BM_PtyDeliveryBaseline)->UseManualTime()->Iterations(200)->Repetitions(5)->ReportAggregatesOnly()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PacketToOnPacket)->UseManualTime()->Iterations(200)->Repetitions(5)->ReportAggregatesOnly()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CpuIdleBaseline)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpuWith241Unread)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpuAfterHangUp)->Iterations(1)->Repetitions(3)->ReportAggregatesOnly()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
