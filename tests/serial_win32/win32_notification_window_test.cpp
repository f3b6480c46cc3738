// The Win32 hand-over: delivery on the creating thread, in order, errors reported, drops on
// destruction.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "line_pty.h"
#include "serial/rs232c.h"
#include "serial_win32/win32_notification_window.h"

namespace brisvel::serial_win32 {
namespace {

using namespace std::chrono_literals;
using serial::Trs232c;

struct Fixture {
  std::vector<std::string> errors;
  Win32NotificationWindow* window = nullptr;  // owned by port

  std::unique_ptr<Trs232c> makePort() {
    auto w = std::make_unique<Win32NotificationWindow>(
        "BrisvelRemo", [this](const std::string& m) { errors.push_back(m); });
    window = w.get();
    return std::make_unique<Trs232c>(std::move(w));
  }
};

// The message loop a front end would run, for at most limit.
template <typename Pred>
bool pumpUntil(Pred pred, std::chrono::milliseconds limit = 2s) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  return true;
}

void postFromAnotherThread(Win32NotificationWindow* window, std::vector<int> ids) {
  std::thread([&] {
    for (int id : ids) window->post(id);
  }).join();
}

TEST(Win32NotificationWindow, PacketFromAComPortReachesTheCreatingThread) {
  serial::testing::Pty pty;
  ASSERT_FALSE(pty.path.empty());
  Fixture f;
  auto port = f.makePort();
  port->portname = pty.path;
  port->bps = 115200;
  port->flowflag = 0;
  port->packetsize = 242;
  Trs232c* sender = nullptr;
  DWORD thread = 0;
  port->OnPACKET = [&](Trs232c& s) {
    sender = &s;
    thread = GetCurrentThreadId();
  };
  ASSERT_TRUE(port->Open());
  pty.send(242, 0x53);
  EXPECT_TRUE(pumpUntil([&] { return sender != nullptr; }));
  EXPECT_EQ(sender, port.get());
  EXPECT_EQ(thread, GetCurrentThreadId());
}

TEST(Win32NotificationWindow, HangUpOfAComPortReachesTheCreatingThread) {
  serial::testing::Pty pty;
  ASSERT_FALSE(pty.path.empty());
  Fixture f;
  auto port = f.makePort();
  port->portname = pty.path;
  int hangUps = 0;
  port->OnPACKET = [](Trs232c&) {};  // the monitor runs for it
  port->OnHANGUP = [&](Trs232c&) { ++hangUps; };
  ASSERT_TRUE(port->Open());
  pty.closeMaster();
  EXPECT_TRUE(pumpUntil([&] { return hangUps > 0; }));
}

TEST(Win32NotificationWindow, InPostingOrderWithTheRightHandlers) {
  Fixture f;
  auto port = f.makePort();
  std::vector<std::string> calls;
  port->OnCTS = [&](Trs232c&) { calls.push_back("cts"); };
  port->OnPACKET = [&](Trs232c&) { calls.push_back("packet"); };
  port->OnRXCHAR = [&](Trs232c&) { calls.push_back("rxchar"); };
  port->OnTXEMPTY = [&](Trs232c&) { calls.push_back("txempty"); };
  postFromAnotherThread(f.window, {serial::kNotifyTxEmpty, serial::kNotifyPacket, serial::kNotifyRing,
                                   serial::kNotifyRxChar, serial::kNotifyCts});
  pumpUntil([&] { return calls.size() >= 4; });
  EXPECT_EQ(calls, (std::vector<std::string>{"txempty", "packet", "rxchar", "cts"}));
}

TEST(Win32NotificationWindow, HandlerErrorIsReportedAndLaterOnesStillArrive) {
  Fixture f;
  auto port = f.makePort();
  int packets = 0;
  port->OnRXCHAR = [](Trs232c&) { throw std::runtime_error("error -- read"); };
  port->OnPACKET = [&](Trs232c&) { ++packets; };
  postFromAnotherThread(f.window, {serial::kNotifyRxChar, serial::kNotifyPacket});
  EXPECT_TRUE(pumpUntil([&] { return packets == 1; }));
  EXPECT_EQ(f.errors, std::vector<std::string>{"error -- read"});
}

TEST(Win32NotificationWindow, DestroyingTheComponentDropsPendingAndLaterNotifications) {
  Fixture f;
  auto port = f.makePort();
  int calls = 0;
  port->OnPACKET = [&](Trs232c&) { ++calls; };
  HWND dead = f.window->handle();
  postFromAnotherThread(f.window, {serial::kNotifyPacket, serial::kNotifyPacket});
  port.reset();
  EXPECT_FALSE(PostMessageW(dead, serial::kNotifyPacket, 0, 0)) << "the handle is gone";
  pumpUntil([] { return false; }, 100ms);
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace brisvel::serial_win32
