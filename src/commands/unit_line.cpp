#include "commands/unit_line.h"

#include <algorithm>

#include "unit/line.h"

namespace brisvel {
namespace {

using Clock = std::chrono::steady_clock;

// Long enough for any unit that answers, short enough that a silent one is noticed.
constexpr std::chrono::milliseconds kQuietAnswerWait(300);
// An answer a notification does not announce is looked for this often.
constexpr std::chrono::milliseconds kAnswerPoll(10);

constexpr char kAwaitingAnswerText[] = "PC-OP-RS1の応答を待っています";

}  // namespace

UnitLine::UnitLine(ReceiveDialog& dialog, const std::string& device, std::chrono::milliseconds reply_limit)
    : dialog_(dialog), port_(dialog.notificationWindow()), reply_limit_(reply_limit) {
  unit::ConfigureLine(port_);
  port_.portname = device;
  port_.rxtimeout = static_cast<int32_t>(reply_limit.count());
  port_.OnHANGUP = [this](serial::Trs232c&) {
    line_lost_ = true;
    dialog_.wake();
  };
}

// A unit answers within milliseconds, and until then the user's input waits while the
// windows keep painting. Only a unit that keeps silent brings the dialog up, saying that its
// answer is awaited, so that the user can cancel the rest of the wait; where the user can
// cancel without it, the whole wait stays unseen.
void UnitLine::awaitAnswer(const std::function<bool()>& arrived) {
  const auto deadline = Clock::now() + reply_limit_;
  const ReceiveWait answer{[this, &arrived] { return arrived() || line_lost_; }, deadline, kAnswerPoll};
  ReceiveWait quiet = answer;
  if (!dialog_.cancelsUnseen()) quiet.deadline = std::min(deadline, Clock::now() + kQuietAnswerWait);
  WaitEnd end = dialog_.waitUnseen(quiet);
  if (end == WaitEnd::TimedOut && Clock::now() < deadline) end = dialog_.waitShown(kAwaitingAnswerText, answer);
  expectOver(end);
}

void UnitLine::expectOver(WaitEnd end) const {
  if (end == WaitEnd::Cancelled) throw ExchangeCancelled();
  if (line_lost_) throw unit::ExchangeError(unit::Failure::Read, serial::PortError{serial::PortErrorKind::HungUp, 0, ""});
  if (end == WaitEnd::TimedOut) throw unit::ExchangeError(unit::Failure::Read);
}

}  // namespace brisvel
