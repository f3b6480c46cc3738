// The lines under "error -- open" and "error -- read", one row per cause. Each cause is made
// for real where this machine can make it: a path that is not there, a folder, a plain file,
// /dev/null, a pseudo-terminal that another process holds or that a user outside its group
// opens (a child that drops to nobody, so those rows need root). Only what cannot exist here
// (ModemManager holding an adapter out of sight, the adapter's sysfs entry) is a fake tree.
#include "core/ports/port_diagnosis_linux.h"

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <span>

#include "core/files/file_io.h"
#include "fake_system.h"
#include "scratch_dir.h"

namespace brisvel {
namespace {

using namespace testing_support;

constexpr uid_t kNobody = 65534;
constexpr gid_t kPortGroup = 4242;

// A serial line whose far end the test can cut.
struct Pty {
  int master = -1;
  int slave = -1;
  std::string path;
  Pty() {
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
  }
  ~Pty() {
    CutLine();
    if (slave >= 0) close(slave);
  }
  void CutLine() {
    if (master >= 0) close(master);
    master = -1;
  }
};

// Another program that has the device open and locked, as a terminal program or
// ModemManager has, under the program name given.
class Holder {
 public:
  Holder(const std::string& device, const char* program) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_NAME, program);
      const int fd = open(device.c_str(), O_RDWR | O_NOCTTY);
      const char held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
      [[maybe_unused]] auto n = write(ready[1], &held, 1);
      for (;;) pause();
    }
    close(ready[1]);
    char held = 0;
    held_ = pid_ > 0 && read(ready[0], &held, 1) == 1 && held;
    close(ready[0]);
  }
  ~Holder() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;

  pid_t pid() const { return pid_; }
  bool held() const { return held_; }

 private:
  pid_t pid_ = -1;
  bool held_ = false;
};

// What a row sets up: the device, the operation that fails on it for real (by default an
// open), where the system facts come from, and whether the user is nobody.
struct Situation {
  using Failing = std::function<PortFailure(const std::string& device)>;
  explicit Situation(std::string device_path, Failing failing = nullptr, SystemRoots system = {}, bool nobody = false)
      : device(std::move(device_path)), fail(std::move(failing)), roots(std::move(system)), as_nobody(nobody) {}

  std::string device;
  Failing fail;
  SystemRoots roots;
  bool as_nobody;
};

struct Scene {
  FakeSystem fake;
  ScratchDir scratch;
  Pty pty;
  std::optional<Holder> holder;

  Situation Hold(const char* program) {
    holder.emplace(pty.path, program);
    return Situation{pty.path};
  }
  Situation RefuseNobody(mode_t mode, const std::string& group_members) {
    fake.SetGroups("root:x:0:\nbrisveltest:x:" + std::to_string(kPortGroup) + ":" + group_members + "\n");
    if (chown(pty.path.c_str(), 0, kPortGroup) != 0 || chmod(pty.path.c_str(), mode) != 0) return Situation{""};
    // The child reads the fake group file as nobody.
    std::filesystem::permissions(fake.roots().etc_group.parent_path().parent_path(), std::filesystem::perms::all,
                                 std::filesystem::perm_options::add);
    SystemRoots roots;
    roots.etc_group = fake.roots().etc_group;
    return Situation{pty.path, nullptr, roots, true};
  }
};

PortFailure FailToOpen(const std::string& device) {
  serial::SerialPort port;
  if (port.open(device)) return {device, PortStep::Open, {}};
  return {device, PortStep::Open, port.lastError()};
}

// A read on an open line: cut under it, or left silent.
PortFailure FailToRead(const std::string& device, Pty* cut) {
  serial::SerialPort port;
  if (!port.open(device)) return {device, PortStep::Open, port.lastError()};
  if (cut) cut->CutLine();
  unsigned char byte = 0;
  std::size_t moved = 0;
  port.read(&byte, 1, moved, 20);
  return {device, PortStep::Transfer, port.lastError()};
}

const std::vector<SerialPortInfo> kPresent = {
    {"/dev/serial/by-id/usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0", "ttyUSB1",
     "USB-Serial Controller (Prolific Technology Inc.)"}};

std::string Explain(const Situation& situation) {
  const PortFailure failure = situation.fail ? situation.fail(situation.device) : FailToOpen(situation.device);
  return DescribePortFailure(failure, GatherPortFacts(failure, situation.roots), kPresent);
}

std::string ExplainAsNobody(const Situation& situation) {
  int out[2];
  if (pipe(out) != 0) return "pipe failed";
  const pid_t child = fork();
  if (child == 0) {
    close(out[0]);
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
    const std::string text = Explain(situation);
    WriteAll(out[1], std::as_bytes(std::span(text)));
    _exit(0);
  }
  close(out[1]);
  std::string text;
  char buffer[512];
  for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(got));
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "the child could not become nobody";
}

// In says and never_says, {device} and {pid} (of the holder) stand for this run's values.
struct CauseCase {
  const char* label;
  std::function<Situation(Scene&)> arrange;
  std::vector<std::string> says;  // none: nothing to add to the first line
  std::vector<std::string> never_says;
};

std::string Filled(std::string text, const std::string& device, const Scene& scene) {
  for (const auto& [name, value] :
       {std::pair<std::string, std::string>{"{device}", device}, {"{pid}", scene.holder ? std::to_string(scene.holder->pid()) : ""}})
    for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), value);
  return text;
}

TEST(PortDiagnosis, EachCauseIsNamedWithWhatToDo) {
  const std::string mm_rule = R"(ATTRS{idVendor}=="0403", ATTRS{idProduct}=="6001", ENV{ID_MM_DEVICE_IGNORE}="1")";
  const CauseCase cases[] = {
      {"no such device", [](Scene& s) { return Situation{(s.scratch / "ttyUSB9").string()}; },
       {"{device}", "ありません", "ttyUSB1 - USB-Serial Controller"}, {"権限", "使っています"}},
      {"by-id link whose adapter is gone",
       [](Scene& s) {
         std::filesystem::create_symlink("/dev/brisvel-gone-ttyUSB0", s.scratch / "usb-FTDI-if00-port0");
         return Situation{(s.scratch / "usb-FTDI-if00-port0").string()};
       },
       {"{device}", "/dev/brisvel-gone-ttyUSB0", "抜かれて", "ttyUSB1"}, {}},
      {"folder", [](Scene& s) { return Situation{s.scratch.path().string()}; }, {"{device}", "フォルダー"}, {"権限"}},
      {"plain file",
       [](Scene& s) {
         WriteFileBytes(s.scratch / "codes.csv", "");
         return Situation{(s.scratch / "codes.csv").string()};
       },
       {"{device}", "普通のファイル", "ttyUSB1"}, {}},
      {"device that is no serial port", [](Scene&) { return Situation{"/dev/null"}; },
       {"/dev/null", "シリアルポートではありません"}, {"ファイル", "フォルダー", "権限"}},
      {"held by a terminal program", [](Scene& s) { return s.Hold("picocom"); },
       {"{device}", "picocom", "{pid}", "閉じて"}, {"ENV{ID_MM_DEVICE_IGNORE}"}},
      {"held by ModemManager", [](Scene& s) { return s.Hold("ModemManager"); },
       {"ModemManager", "{pid}", "待って", "ENV{ID_MM_DEVICE_IGNORE}=\"1\""}, {}},
      {"ModemManager running, the adapter's holder out of sight",
       [](Scene& s) {
         s.fake.AddUsbTty("ttyUSB0", "1-2", {"0403", "6001", "FTDI", "FT232R USB UART", "A50285BI"});
         const auto link = s.fake.AddByIdLink("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "ttyUSB0");
         s.fake.AddProcess(812, "ModemManager");
         s.fake.AddProcess(900, "bash", {s.scratch.path()});
         return Situation{link.string(),
                          [](const std::string& device) {
                            return PortFailure{device, PortStep::Open, {serial::PortErrorKind::Busy, EBUSY, "Device or resource busy"}};
                          },
                          s.fake.roots()};
       },
       {"ModemManager（プロセス 812）", mm_rule}, {"bash"}},
      {"user not in the port's group", [](Scene& s) { return s.RefuseNobody(0660, ""); },
       {"{device}", "brisveltest", "sudo usermod -aG brisveltest \"$USER\"", "ログアウト"}, {}},
      {"user added to the group, not logged in again", [](Scene& s) { return s.RefuseNobody(0660, "root,nobody"); },
       {"{device}", "brisveltest", "ログインし直して"}, {"usermod"}},
      {"port only its owner may open", [](Scene& s) { return s.RefuseNobody(0600, "nobody"); },
       {"{device}", "root", "0600"}, {"usermod"}},
      {"line cut during a read",
       [](Scene& s) {
         return Situation{s.pty.path, [&s](const std::string& device) { return FailToRead(device, &s.pty); }};
       },
       {"{device}", "接続が切れました", "ttyUSB1"}, {}},
      {"unit silent until the time-out",
       [](Scene& s) {
         return Situation{s.pty.path, [](const std::string& device) { return FailToRead(device, nullptr); }};
       },
       {}, {}},
  };
  for (const CauseCase& c : cases) {
    SCOPED_TRACE(c.label);
    Scene scene;
    ASSERT_FALSE(scene.pty.path.empty());
    const Situation situation = c.arrange(scene);
    if (situation.as_nobody && geteuid() != 0) {
      std::printf("[  SKIPPED ] %s: making another user's port needs root\n", c.label);
      continue;
    }
    if (scene.holder) {
      ASSERT_TRUE(scene.holder->held());
    }
    const std::string text = situation.as_nobody ? ExplainAsNobody(situation) : Explain(situation);
    if (c.says.empty()) {
      EXPECT_EQ(text, "");
    }
    for (const auto& fact : c.says) {
      const std::string filled = Filled(fact, situation.device, scene);
      EXPECT_NE(text.find(filled), std::string::npos) << filled << "\n" << text;
    }
    for (const auto& fact : c.never_says) {
      const std::string filled = Filled(fact, situation.device, scene);
      EXPECT_EQ(text.find(filled), std::string::npos) << filled << "\n" << text;
    }
  }
}

}  // namespace
}  // namespace brisvel
