// The lines under "error -- open" and "error -- read" on Windows, one row per cause, each
// made for real where wine can make it: a port that is not there, a folder, a plain file, NUL,
// a line cut during a read and a silent unit, on COM ports the line server lends. Wine lets a
// second program open a port that one holds (Windows refuses it with access denied), so the
// port in use is the refusal as Windows gives it, on a real port.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "core/ports/port_diagnosis.h"
#include "file_bytes.h"
#include "line_pty.h"
#include "scratch_dir.h"

namespace brisvel {
namespace {

using namespace testing_support;
using serial::testing::Pty;

const std::vector<SerialPortInfo> kPresent = {{"COM250", "COM250", "USB Serial Port (COM250)"}};

PortFailure FailToOpen(const std::string& device) {
  serial::SerialPort port;
  if (port.open(device)) return {device, PortStep::Open, {}};
  return {device, PortStep::Open, port.lastError()};
}

// A read on an open line: cut under it, or left silent.
PortFailure FailToRead(Pty& pty, bool cut) {
  serial::SerialPort port;
  if (!port.open(pty.path)) return {pty.path, PortStep::Open, port.lastError()};
  if (cut) pty.closeMaster();
  unsigned char byte = 0;
  std::size_t moved = 0;
  port.read(&byte, 1, moved, 20);
  return {pty.path, PortStep::Transfer, port.lastError()};
}

struct CauseCase {
  const char* label;
  std::function<PortFailure(const ScratchDir&, Pty&)> fail;
  std::vector<std::string> says;  // {device} stands for the device as shown; none: nothing to add
  std::vector<std::string> never_says;
};

std::string Filled(std::string text, const std::string& device) {
  for (size_t at; (at = text.find("{device}")) != std::string::npos;) text.replace(at, 8, device);
  return text;
}

TEST(PortDiagnosis, EachCauseIsNamedWithWhatToDo) {
  const CauseCase cases[] = {
      {"no such port", [](const ScratchDir&, Pty&) { return FailToOpen("\\\\.\\COM256"); },
       {"COM256 というデバイスはありません", "COM250 - USB Serial Port (COM250)"}, {"\\\\.\\", "権限", "使っています"}},
      {"folder", [](const ScratchDir& s, Pty&) { return FailToOpen(s.path().string()); },
       {"{device} はフォルダーで", "シリアルポートではありません"}, {"権限", "使っています"}},
      {"plain file",
       [](const ScratchDir& s, Pty&) {
         WriteFileBytes(s / "codes.csv", "");
         return FailToOpen((s / "codes.csv").string());
       },
       {"{device} は普通のファイルで", "COM250 - USB Serial Port (COM250)"}, {}},
      {"device that is no serial port", [](const ScratchDir&, Pty&) { return FailToOpen("\\\\.\\NUL"); },
       {"{device} はシリアルポートではありません"}, {"ファイル", "フォルダー", "権限"}},
      {"port another program holds",
       [](const ScratchDir&, Pty& pty) {
         return PortFailure{pty.path, PortStep::Open, {serial::PortErrorKind::Busy, ERROR_ACCESS_DENIED, "Access is denied."}};
       },
       {"{device} はほかのプログラムが使っています", "Tera Term", "閉じて"}, {"minicom", "権限", "ModemManager"}},
      {"line cut during a read", [](const ScratchDir&, Pty& pty) { return FailToRead(pty, true); },
       {"{device} との接続が切れました", "COM250 - USB Serial Port (COM250)"}, {}},
      {"unit silent until the time-out", [](const ScratchDir&, Pty& pty) { return FailToRead(pty, false); }, {}, {}},
  };
  for (const CauseCase& c : cases) {
    SCOPED_TRACE(c.label);
    ScratchDir scratch;
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    const PortFailure failure = c.fail(scratch, pty);
    const std::string text = ExplainPortFailure(failure, kPresent);
    if (c.says.empty()) {
      EXPECT_EQ(text, "");
    }
    for (const auto& fact : c.says) EXPECT_NE(text.find(Filled(fact, ShownDeviceName(failure.device))), std::string::npos) << fact << "\n" << text;
    for (const auto& fact : c.never_says) EXPECT_EQ(text.find(fact), std::string::npos) << fact << "\n" << text;
  }
}

}  // namespace
}  // namespace brisvel
