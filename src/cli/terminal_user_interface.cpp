#include "cli/terminal_user_interface.h"

#include "cli/wait_loop.h"
#include "core/formats/sjis.h"

namespace brisvel::cli {
namespace {

// The terminal's own way to cancel, said after each prompt.
constexpr char kCancelHint[] = " (Ctrl+C で中止)";

// The receive dialog without a window: each prompt on stderr, and the main thread waits,
// delivering the serial link's notifications, until the wait is over or Ctrl-C. Ctrl-C ends
// any wait at once, so none needs the prompt to be cancelled.
class TerminalReceiveDialog : public ReceiveDialog {
 public:
  explicit TerminalReceiveDialog(Terminal& terminal) : terminal_(terminal) {}

  std::unique_ptr<serial::NotificationWindow> notificationWindow() override {
    auto window = std::make_unique<QueuedNotificationWindow>([this](const std::string& message) { terminal_.Error(message); });
    notifications_ = window.get();
    return window;
  }
  bool cancelsUnseen() const override { return true; }
  WaitEnd waitUnseen(const ReceiveWait& wait) override { return deliverUntil(wait); }
  WaitEnd waitShown(const std::string& text, const ReceiveWait& wait) override {
    if (wait.over()) return WaitEnd::Over;
    terminal_.Error(text + kCancelHint);
    return deliverUntil(wait);
  }
  // The delivery loop looks at the wait after every notification.
  void wake() override {}

 private:
  WaitEnd deliverUntil(const ReceiveWait& wait) {
    const auto past_deadline = [&] { return wait.deadline && std::chrono::steady_clock::now() >= *wait.deadline; };
    if (!notifications_->DeliverUntil([&] { return wait.over() || past_deadline(); }, wait.poll)) return WaitEnd::Cancelled;
    return wait.over() ? WaitEnd::Over : WaitEnd::TimedOut;
  }

  Terminal& terminal_;
  QueuedNotificationWindow* notifications_ = nullptr;  // owned by the capture's port
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

void TerminalUserInterface::showError(const std::string& message) { terminal_.Error(message); }

void TerminalUserInterface::showSent(std::size_t row, const std::string& text) {
  terminal_.Error("row " + std::to_string(row + 1) + ": " + text);
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
