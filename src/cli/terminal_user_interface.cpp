#include "cli/terminal_user_interface.h"

#include "cli/wait_loop.h"
#include "core/capture_exchange.h"
#include "core/sjis.h"

namespace brisvel::cli {
namespace {

constexpr char kSendPrompt[] = "PC-OP-RS1にデータを送信してください (Ctrl+C で中止)";
constexpr std::chrono::milliseconds kAnswerPollInterval(10);

// The receive dialog without a window: the prompt on stderr, then the main thread waits for
// the packet, delivering the serial link's notifications, until it is in or Ctrl-C.
class TerminalReceiveDialog : public ReceiveDialog {
 public:
  explicit TerminalReceiveDialog(Terminal& terminal)
      : TerminalReceiveDialog(terminal, std::make_unique<QueuedNotificationWindow>(
                                            [&terminal](const std::string& message) { terminal.Error(message); })) {}

  serial::Trs232c& port() override { return port_; }

  // No notification says that the unit's answer is in, so the wait looks again every few
  // milliseconds; Ctrl-C ends it at once, where the acknowledgement's own read would not.
  ReceiveResult waitForReply(std::chrono::milliseconds limit) override {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const bool ended = notifications_.DeliverUntil(
        [&] { return AnswerArrived(port_) || hung_up_ || std::chrono::steady_clock::now() >= deadline; },
        kAnswerPollInterval);
    if (!ended) return ReceiveResult::Cancelled;
    if (hung_up_) return ReceiveResult::LineLost;
    return AnswerArrived(port_) ? ReceiveResult::Received : ReceiveResult::TimedOut;
  }

  ReceiveResult waitForPacket() override {
    terminal_.Error(kSendPrompt);
    if (!notifications_.DeliverUntil([this] { return packet_ || hung_up_; })) return ReceiveResult::Cancelled;
    return packet_ ? ReceiveResult::Received : ReceiveResult::LineLost;
  }

 private:
  TerminalReceiveDialog(Terminal& terminal, std::unique_ptr<QueuedNotificationWindow> notifications)
      : terminal_(terminal), notifications_(*notifications), port_(std::move(notifications)) {
    ApplyCaptureUnitSettings(port_);
    port_.OnPACKET = [this](serial::Trs232c&) { packet_ = true; };
    port_.OnHANGUP = [this](serial::Trs232c&) { hung_up_ = true; };
  }

  Terminal& terminal_;
  QueuedNotificationWindow& notifications_;  // owned by the port
  serial::Trs232c port_;
  bool packet_ = false;
  bool hung_up_ = false;
};

}  // namespace

TerminalUserInterface::TerminalUserInterface(Terminal& terminal, std::string utf8_name, std::filesystem::path file)
    : terminal_(terminal), name_(std::move(utf8_name)), file_(std::move(file)) {}

// The input dialog takes no more than its limit; a longer name from the command line is
// refused rather than cut.
std::optional<std::string> TerminalUserInterface::askText(const std::string&, const std::string&,
                                                          int max_sjis_bytes) {
  const auto bytes = sjis::FromUtf8(name_);
  if (bytes && bytes->size() > static_cast<size_t>(max_sjis_bytes)) {
    showError("name too long: at most " + std::to_string(max_sjis_bytes) + " bytes in Shift-JIS, this one has " +
              std::to_string(bytes->size()));
    return std::nullopt;
  }
  return name_;
}

void TerminalUserInterface::showError(const std::string& message) {
  shown_.push_back(message);
  terminal_.Error(message);
}

void TerminalUserInterface::showDefaultErrorBox(const std::string& text) { showError(text); }

std::optional<std::filesystem::path> TerminalUserInterface::chooseFile(FileDialogKind,
                                                                       const std::filesystem::path&,
                                                                       const std::optional<std::filesystem::path>&) {
  return file_;
}

std::unique_ptr<ReceiveDialog> TerminalUserInterface::createReceiveDialog() {
  return std::make_unique<TerminalReceiveDialog>(terminal_);
}

}  // namespace brisvel::cli
