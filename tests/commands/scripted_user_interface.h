#pragma once
// A user who answers from a script, and a record of what the commands showed. The receive
// dialog is a pumped notification window on the test's thread, so the capture runs
// against a real port without a display.
#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "commands/user_interface.h"
#include "pumped_window.h"
#include "serial/rs232c.h"
#include "thread_count.h"

namespace brisvel::testing_support {

class PumpedReceiveDialog : public ReceiveDialog {
 public:
  // A shown wait lasts at most `patience`, then cancels as a user would.
  explicit PumpedReceiveDialog(std::chrono::milliseconds patience) : patience_(patience) {}

  std::unique_ptr<serial::NotificationWindow> notificationWindow() override {
    return std::make_unique<serial::testing::PumpedWindow>(log_);
  }
  bool cancelsUnseen() const override { return false; }
  WaitEnd waitUnseen(const ReceiveWait& wait) override {
    return Pumped(wait, wait.deadline.value_or(std::chrono::steady_clock::time_point::max()), WaitEnd::TimedOut);
  }
  WaitEnd waitShown(const std::string&, const ReceiveWait& wait) override {
    const auto patience = std::chrono::steady_clock::now() + patience_;
    if (!wait.deadline || patience < *wait.deadline) return Pumped(wait, patience, WaitEnd::Cancelled);
    return Pumped(wait, *wait.deadline, WaitEnd::TimedOut);
  }
  // The pump looks at the wait after every notification.
  void wake() override {}

 private:
  // Pumps in slices of the wait's poll, or of the time left.
  WaitEnd Pumped(const ReceiveWait& wait, std::chrono::steady_clock::time_point until, WaitEnd otherwise) {
    while (!wait.over()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      if (left <= std::chrono::milliseconds(0)) return otherwise;
      serial::testing::pumpUntil(log_, wait.over, std::min(left, wait.poll.value_or(left)));
    }
    return WaitEnd::Over;
  }

  serial::testing::PumpLog log_;  // outlives the port, whose window refers to it
  std::chrono::milliseconds patience_;
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
  void showSent(std::size_t row, const std::string& text) override { sent.push_back({row, text}); }
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
  std::vector<std::pair<std::size_t, std::string>> sent;
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

// After an exchange no monitor thread is left behind and the port opens again.
inline void ExpectPortReleased(const std::string& device, std::size_t threads_before) {
  EXPECT_EQ(UnnamedThreadCountSettledAt(threads_before), threads_before);
  PumpedReceiveDialog probe(std::chrono::milliseconds(0));
  serial::Trs232c port(probe.notificationWindow());
  port.portname = device;
  EXPECT_TRUE(port.Open());
}

}  // namespace brisvel::testing_support
