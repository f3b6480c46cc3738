#include "commands/capture_flow.h"

#include <algorithm>

#include "serial/rs232c.h"
#include "unit/capture_exchange.h"

namespace brisvel {
namespace {

using Clock = std::chrono::steady_clock;

// Long enough for any unit that answers, short enough that a silent one is noticed.
constexpr std::chrono::milliseconds kQuietAnswerWait(300);
// Nothing tells that the answer is in, so the wait for it looks this often.
constexpr std::chrono::milliseconds kAnswerPoll(10);

constexpr char kAwaitingAnswerText[] = "PC-OP-RS1の応答を待っています";
constexpr char kSendCodeText[] = "PC-OP-RS1にデータを送信してください";

class Capture {
 public:
  Capture(ReceiveDialog& dialog, const std::string& device, std::chrono::milliseconds reply_limit)
      : dialog_(dialog), port_(dialog.notificationWindow()), reply_limit_(reply_limit) {
    unit::ConfigureLine(port_);
    port_.portname = device;
    port_.rxtimeout = static_cast<int32_t>(reply_limit.count());
    // Bound before the port opens: handlers cannot change while it is open.
    port_.OnPACKET = [this](serial::Trs232c&) {
      packet_in_ = true;
      dialog_.wake();
    };
    port_.OnHANGUP = [this](serial::Trs232c&) {
      line_lost_ = true;
      dialog_.wake();
    };
  }

  unit::Code run() {
    unit::StartCapture(port_);
    awaitAnswer();
    unit::ReadAcknowledgement(port_);
    expectOver(dialog_.waitShown(kSendCodeText, {[this] { return packet_in_ || line_lost_; }, {}, {}}));
    return unit::ReadCapturedCode(port_);
  }

 private:
  // A unit answers within milliseconds, and until then the user's input waits while the
  // windows keep painting. Only a unit that keeps silent brings the dialog up, saying that
  // its answer is awaited, so that the user can cancel the rest of the wait; where the user
  // can cancel without it, the whole wait stays unseen.
  void awaitAnswer() {
    const auto deadline = Clock::now() + reply_limit_;
    const ReceiveWait answer{[this] { return unit::AnswerArrived(port_) || line_lost_; }, deadline, kAnswerPoll};
    ReceiveWait quiet = answer;
    if (!dialog_.cancelsUnseen()) quiet.deadline = std::min(deadline, Clock::now() + kQuietAnswerWait);
    WaitEnd end = dialog_.waitUnseen(quiet);
    if (end == WaitEnd::TimedOut && Clock::now() < deadline) end = dialog_.waitShown(kAwaitingAnswerText, answer);
    expectOver(end);
  }

  // A wait that ended without what it waited for fails its step: a read that got nothing in
  // time, or whose line went away.
  void expectOver(WaitEnd end) const {
    if (end == WaitEnd::Cancelled) throw CaptureCancelled();
    if (line_lost_) throw unit::ExchangeError(unit::Failure::Read, serial::PortError{serial::PortErrorKind::HungUp, 0, ""});
    if (end == WaitEnd::TimedOut) throw unit::ExchangeError(unit::Failure::Read);
  }

  ReceiveDialog& dialog_;
  serial::Trs232c port_;
  std::chrono::milliseconds reply_limit_;
  bool packet_in_ = false;
  bool line_lost_ = false;
};

}  // namespace

unit::Code CaptureCode(ReceiveDialog& dialog, const std::string& device, std::chrono::milliseconds reply_limit) {
  return Capture(dialog, device, reply_limit).run();
}

}  // namespace brisvel
