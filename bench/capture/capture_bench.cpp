// Capture through the real registration and receive windows (offscreen) and the real serial
// component, against an in-process far side on a pseudo-terminal. The far side lives in this
// process so the last byte's write() and the new row share one steady clock.
//
//   capture_bench [captures] [idle_runs]
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/register_main.h"
#include "app/remocondata_receive.h"
#include "app/ui_notifications.h"
#include "scripted_prompts.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kPacketBytes = 242;  // "S", 240 code bytes, "E"
constexpr auto kByteTime = std::chrono::nanoseconds(1'000'000'000LL * 10 / 115200);  // 8N1

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return sec(usage.ru_utime) + sec(usage.ru_stime);
}

struct Summary {
  double median, min, max;
};

Summary Summarise(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  return {median, values.front(), values.back()};
}

// The unit's side of the line: answers "r" with "Y", waits a moment so the receive dialog
// is up, then sends the planned number of packet bytes one at a time at line pace.
class FakeUnit {
 public:
  FakeUnit() {
    if (openpty(&master_, &slave_, name_, nullptr, nullptr) != 0) {
      std::perror("openpty");
      std::exit(1);
    }
    // Our slave descriptor stays open so the tool's close never hangs the line up.
    termios t{};
    tcgetattr(slave_, &t);
    cfmakeraw(&t);
    tcsetattr(slave_, TCSANOW, &t);
    thread_ = std::thread([this] { Serve(); });
  }
  ~FakeUnit() {
    stop_ = true;
    thread_.join();
    close(master_);
    close(slave_);
  }

  std::string Device() const { return name_; }
  void Plan(int bytes) { planned_bytes_ = bytes; }
  // Throws away whatever an unfinished capture left unread.
  void FlushLine() { tcflush(slave_, TCIFLUSH); }

  struct Sent {
    Clock::time_point first_byte, last_byte;
  };
  std::optional<Sent> TakeSent() {
    std::lock_guard lock(mutex_);
    auto sent = sent_;
    sent_.reset();
    return sent;
  }
  bool Done() const { return done_; }
  void ClearDone() { done_ = false; }

 private:
  void Serve() {
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      unsigned char buffer[64];
      ssize_t got = read(master_, buffer, sizeof buffer);
      if (got <= 0) continue;
      if (std::find(buffer, buffer + got, 'r') == buffer + got) continue;
      WriteByte('Y');
      std::this_thread::sleep_for(50ms);  // the user pointing the remote at the unit
      SendPacket(planned_bytes_.load());
      done_ = true;
    }
  }

  void WriteByte(unsigned char byte) {
    while (write(master_, &byte, 1) != 1) {
    }
  }

  void SendPacket(int count) {
    if (count == 0) return;
    std::vector<unsigned char> packet(kPacketBytes);
    packet.front() = 'S';
    packet.back() = 'E';
    for (int i = 1; i < kPacketBytes - 1; ++i) packet[i] = static_cast<unsigned char>(i * 37 + counter_);
    ++counter_;
    Clock::time_point first{}, last{};
    auto due = Clock::now();
    for (int i = 0; i < count; ++i) {
      std::this_thread::sleep_until(due);
      WriteByte(packet[i]);
      last = Clock::now();
      if (i == 0) first = last;
      due += kByteTime;
    }
    std::lock_guard lock(mutex_);
    sent_ = Sent{first, last};
  }

  int master_ = -1, slave_ = -1;
  char name_[256]{};
  std::atomic<bool> stop_{false}, done_{false};
  std::atomic<int> planned_bytes_{kPacketBytes};
  int counter_ = 0;
  std::mutex mutex_;
  std::optional<Sent> sent_;
  std::thread thread_;
};

// CPU of the whole process over `wall`, measured from `settle` after the call.
// Runs inside whatever modal loop is up; `then` runs after the measurement.
struct IdleSample {
  double cpu_s = 0, wall_s = 0;
};

void MeasureLater(Clock::duration settle, Clock::duration wall, IdleSample& out, std::function<void()> then) {
  QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(settle), [=, &out] {
    double cpu0 = CpuSeconds();
    auto t0 = Clock::now();
    QTimer::singleShot(std::chrono::duration_cast<std::chrono::milliseconds>(wall), Qt::PreciseTimer, [=, &out] {
      out.cpu_s = CpuSeconds() - cpu0;
      out.wall_s = std::chrono::duration<double>(Clock::now() - t0).count();
      then();
    });
  });
}

double Percent(const IdleSample& s) { return 100.0 * s.cpu_s / s.wall_s; }

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int captures = argc > 1 ? std::atoi(argv[1]) : 30;
  int idle_runs = argc > 2 ? std::atoi(argv[2]) : 3;
  prctl(PR_SET_TIMERSLACK, 1UL);  // keep the far side's byte pacing close to the line's
  brisvel::Application app(argc, argv);
  brisvel::testing_support::ScriptedPrompts prompts;
  QTemporaryDir dir;
  FakeUnit unit;

  brisvel::TRegisterForm form(brisvel::RegisterFormEnvironment{
      {dir.filePath("brisvel.ini").toStdString(), [] { return std::vector<brisvel::SerialPortInfo>{{"/dev/ttyS0", "ttyS0", ""}}; }, 30000,
       dir.filePath("state").toStdString()},
      [] { return brisvel::MakeUiNotificationWindow(); }});
  form.COMCombo->setCurrentText(QString::fromStdString(unit.Device()));
  form.show();

  Clock::time_point row_time{};
  QObject::connect(form.DataListView->model(), &QAbstractItemModel::rowsInserted, [&] { row_time = Clock::now(); });

  auto add = [&](int bytes) {
    unit.Plan(bytes);
    unit.ClearDone();
    prompts.text_answers.push_back(QStringLiteral("code"));
    form.AddButton->click();
  };

  // 1. Last byte on the line to the new row.
  std::vector<double> latency_ms, wire_ms;
  for (int i = 0; i < captures; ++i) {
    int rows = form.DataListView->model()->rowCount();
    add(kPacketBytes);
    // The row can come before the far side has noted its last write's time.
    for (auto limit = Clock::now() + 1s; !unit.Done() && Clock::now() < limit;) std::this_thread::sleep_for(100us);
    auto sent = unit.TakeSent();
    if (form.DataListView->model()->rowCount() != rows + 1 || !sent || !prompts.errors.isEmpty()) {
      std::fprintf(stderr, "capture %d failed: rows %d, sent %d, errors: %s\n", i, form.DataListView->model()->rowCount() - rows,
                   sent.has_value(), qPrintable(prompts.errors.join("; ")));
      return 1;
    }
    latency_ms.push_back(Ms(row_time - sent->last_byte));
    wire_ms.push_back(Ms(sent->last_byte - sent->first_byte + kByteTime));
  }
  Summary lat = Summarise(latency_ms), wire = Summarise(wire_ms);
  std::printf("device %s, %d captures through the window\n", unit.Device().c_str(), captures);
  std::printf("last byte -> new row   median %.3f ms  min %.3f  max %.3f  (target <= 2 ms)\n", lat.median,
              lat.min, lat.max);
  std::printf("wire time, 242 bytes   median %.3f ms  min %.3f  max %.3f  (nominal %.3f ms)\n", wire.median,
              wire.min, wire.max, Ms(kByteTime * kPacketBytes));
  std::printf("latency / wire time    %.3f\n", lat.median / wire.median);
  // The first capture also pays for the first dialog ever shown.
  std::printf("first capture          %.3f ms; slowest at capture %td\n", latency_ms.front(),
              std::max_element(latency_ms.begin(), latency_ms.end()) - latency_ms.begin());

  // 2. Idle cost, baseline first: the window alone, no dialog, no port.
  constexpr auto kSettle = 300ms;
  constexpr auto kWall = 2s;
  auto report = [](const char* label, std::vector<IdleSample>& samples) {
    std::vector<double> pct;
    for (auto& s : samples) pct.push_back(Percent(s));
    Summary s = Summarise(pct);
    std::printf("%-34s median %.3f %%  min %.3f  max %.3f  (%zu x %.1f s)\n", label, s.median, s.min, s.max,
                samples.size(), samples.front().wall_s);
  };
  std::printf("CPU of one core, this process, getrusage user+sys:\n");

  std::vector<IdleSample> baseline(static_cast<size_t>(idle_runs));
  for (auto& sample : baseline) {
    QEventLoop loop;
    MeasureLater(kSettle, kWall, sample, [&] { loop.quit(); });
    loop.exec();
  }
  report("window only (baseline)", baseline);

  for (int bytes : {0, kPacketBytes - 1}) {
    std::vector<IdleSample> samples(static_cast<size_t>(idle_runs));
    for (auto& sample : samples) {
      prompts.errors.clear();
      // Measure only once the far side has finished writing and gone quiet.
      std::function<void()> wait_quiet;
      wait_quiet = [&] {
        if (!unit.Done()) {
          QTimer::singleShot(10, wait_quiet);
          return;
        }
        MeasureLater(kSettle, kWall, sample, [] {
          if (auto* dialog = qobject_cast<brisvel::TReceiveForm*>(QApplication::activeModalWidget()))
            dialog->CancelButton->click();
        });
      };
      QTimer::singleShot(0, wait_quiet);
      add(bytes);
      if (prompts.errors != QStringList{QStringLiteral("cancel")}) {
        std::fprintf(stderr, "idle run ended with: %s\n", qPrintable(prompts.errors.join("; ")));
        return 1;
      }
      unit.FlushLine();
    }
    report(bytes == 0 ? "dialog up, no bytes" : "dialog up, 241 unread bytes", samples);
  }
  return 0;
}
