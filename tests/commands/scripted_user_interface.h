#pragma once
// A user who answers from a script, and a record of what the commands showed. The receive
// dialog is a pumped notification window on the test's thread, so the capture runs
// against a real port without a display.
#include <chrono>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "commands/user_interface.h"
#include "core/capture_exchange.h"
#include "pumped_window.h"

namespace brisvel::testing_support {

class PumpedReceiveDialog : public ReceiveDialog {
 public:
  // Waits for the packet at most `patience`, then cancels as a user would.
  explicit PumpedReceiveDialog(std::chrono::milliseconds patience)
      : port_(std::make_unique<serial::testing::PumpedWindow>(log_)), patience_(patience) {
    ApplyCaptureUnitSettings(port_);
    port_.OnPACKET = [this](serial::Trs232c&) { packet_ = true; };
    port_.OnHANGUP = [this](serial::Trs232c&) { line_lost_ = true; };
  }
  serial::Trs232c& port() override { return port_; }
  ReceiveResult waitForReply(std::chrono::milliseconds limit) override {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    bool replied = false;
    while (!(replied = AnswerArrived(port_)) && !line_lost_ && std::chrono::steady_clock::now() < deadline)
      serial::testing::pumpUntil(log_, [this] { return line_lost_; }, std::chrono::milliseconds(10));
    return Ended(replied, ReceiveResult::TimedOut);
  }
  ReceiveResult waitForPacket() override {
    const bool arrived = serial::testing::pumpUntil(log_, [this] { return packet_ || line_lost_; }, patience_);
    return Ended(arrived, ReceiveResult::Cancelled);
  }

 private:
  ReceiveResult Ended(bool arrived, ReceiveResult otherwise) const {
    if (line_lost_) return ReceiveResult::LineLost;
    return arrived ? ReceiveResult::Received : otherwise;
  }

  serial::testing::PumpLog log_;  // outlives the port, whose window refers to it
  serial::Trs232c port_;
  std::chrono::milliseconds patience_;
  bool packet_ = false;
  bool line_lost_ = false;
};

class ScriptedUserInterface : public UserInterface {
 public:
  struct FileDialog {
    FileDialogKind kind;
    std::filesystem::path folder;
    std::optional<std::filesystem::path> offered;
  };

  std::optional<std::string> askText(const std::string& title, const std::string& prompt, int max_bytes) override {
    asked.push_back({title, prompt, max_bytes});
    return Next(text_answers);
  }
  void showError(const std::string& message) override { errors.push_back(message); }
  std::optional<std::filesystem::path> chooseFile(FileDialogKind kind, const std::filesystem::path& folder,
                                                  const std::optional<std::filesystem::path>& file) override {
    file_dialogs.push_back({kind, folder, file});
    return Next(file_answers);
  }
  std::unique_ptr<ReceiveDialog> createReceiveDialog() override {
    return std::make_unique<PumpedReceiveDialog>(packet_patience);
  }
  UnsavedAnswer askUnsavedChanges(const std::string& question) override {
    questions.push_back(question);
    return unsaved_answer;
  }
  bool askRestore(const std::string& question) override {
    questions.push_back(question);
    return restore_answer;
  }
  bool askOverwrite(const std::string& question) override {
    questions.push_back(question);
    return overwrite_answer;
  }
  void copyToClipboard(const std::string& text) override { clipboard = text; }
  void showCaption(const std::string& text) override { caption = text; }

  struct Question {
    std::string caption;
    std::string prompt;
    int max_bytes;
  };
  std::deque<std::optional<std::string>> text_answers;
  std::deque<std::optional<std::filesystem::path>> file_answers;
  std::chrono::milliseconds packet_patience{3000};
  UnsavedAnswer unsaved_answer = UnsavedAnswer::Cancel;
  bool restore_answer = true;
  bool overwrite_answer = false;
  std::vector<std::string> questions;
  std::string clipboard;
  std::string caption;
  std::vector<std::string> errors;
  std::vector<std::string> default_errors;
  std::vector<Question> asked;
  std::vector<FileDialog> file_dialogs;

 protected:
  void showDefaultErrorBox(const std::string& text) override { default_errors.push_back(text); }

 private:
  template <typename T>
  static std::optional<T> Next(std::deque<std::optional<T>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<T> answer = std::move(answers.front());
    answers.pop_front();
    return answer;
  }
};

}  // namespace brisvel::testing_support
