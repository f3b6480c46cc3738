// The Qt hand-over: delivery on the UI thread, in order, errors reported, drops on delete.

#include <pty.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "serial/rs232c.h"
#include "serial_qt/qt_notification_window.h"

namespace brisvel::serial_qt {
namespace {

using serial::Trs232c;

struct Fixture {
  std::vector<std::string> errors;
  std::vector<std::string> debugMessages;
  QtNotificationWindow* window = nullptr;  // owned by port

  std::unique_ptr<Trs232c> makePort() {
    auto w = std::make_unique<QtNotificationWindow>(
        [this](const std::string& m) { errors.push_back(m); },
        [this](const std::string& m) { debugMessages.push_back(m); });
    window = w.get();
    return std::make_unique<Trs232c>(std::move(w));
  }
};

template <typename Pred>
bool processUntil(Pred pred, int limitMs = 2000) {
  QElapsedTimer timer;
  timer.start();
  while (!pred() && timer.elapsed() < limitMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return pred();
}

void postFromAnotherThread(QtNotificationWindow* window, std::vector<int> ids) {
  std::thread([&] {
    for (int id : ids) window->post(id);
  }).join();
}

TEST(QtNotificationWindow, PacketFromAPtyReachesTheUiThread) {
  int master = -1, slave = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  Fixture f;
  auto port = f.makePort();
  port->portname = name;
  port->bps = 115200;
  port->flowflag = 0;
  port->packetsize = 242;
  Trs232c* sender = nullptr;
  QThread* thread = nullptr;
  port->OnPACKET = [&](Trs232c& s) {
    sender = &s;
    thread = QThread::currentThread();
  };
  ASSERT_TRUE(port->Open());
  std::vector<unsigned char> packet(242, 0x53);
  ASSERT_EQ(::write(master, packet.data(), packet.size()), 242);
  EXPECT_TRUE(processUntil([&] { return sender != nullptr; }));
  EXPECT_EQ(sender, port.get());
  EXPECT_EQ(thread, QCoreApplication::instance()->thread());
  port.reset();
  ::close(master);
  ::close(slave);
}

TEST(QtNotificationWindow, InPostingOrderWithTheRightHandlers) {
  Fixture f;
  auto port = f.makePort();
  std::vector<std::string> calls;
  port->OnCTS = [&](Trs232c&) { calls.push_back("cts"); };
  port->OnPACKET = [&](Trs232c&) { calls.push_back("packet"); };
  port->OnRXCHAR = [&](Trs232c&) { calls.push_back("rxchar"); };
  port->OnTXEMPTY = [&](Trs232c&) { calls.push_back("txempty"); };
  postFromAnotherThread(f.window, {serial::kNotifyTxEmpty, serial::kNotifyPacket, serial::kNotifyRing,
                                   serial::kNotifyRxChar, serial::kNotifyCts});
  processUntil([&] { return calls.size() >= 4; });
  EXPECT_EQ(calls, (std::vector<std::string>{"txempty", "packet", "rxchar", "cts"}));
}

TEST(QtNotificationWindow, HandlerErrorIsReportedAndLaterOnesStillArrive) {
  Fixture f;
  auto port = f.makePort();
  int packets = 0;
  port->OnRXCHAR = [](Trs232c&) { throw std::runtime_error("error -- read"); };
  port->OnPACKET = [&](Trs232c&) { ++packets; };
  postFromAnotherThread(f.window, {serial::kNotifyRxChar, serial::kNotifyPacket});
  EXPECT_TRUE(processUntil([&] { return packets == 1; }));
  EXPECT_EQ(f.errors, std::vector<std::string>{"error -- read"});
}

TEST(QtNotificationWindow, DestroyingTheComponentDropsPendingNotifications) {
  Fixture f;
  auto port = f.makePort();
  int calls = 0;
  port->OnPACKET = [&](Trs232c&) { ++calls; };
  postFromAnotherThread(f.window, {serial::kNotifyPacket, serial::kNotifyPacket});
  port.reset();
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(calls, 0);
}

TEST(QtNotificationWindow, DebugReportsGoToTheApplicationsHook) {
  Fixture f;
  auto port = f.makePort();
  port->portname = "/dev/does-not-exist";
  port->debug = true;
  EXPECT_FALSE(port->Open());
  EXPECT_EQ(f.debugMessages, std::vector<std::string>{"回線オープンエラー"});
  EXPECT_TRUE(f.errors.empty());
}

}  // namespace
}  // namespace brisvel::serial_qt

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
