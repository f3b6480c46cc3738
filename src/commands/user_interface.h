#pragma once
// What the commands ask of the user, implemented once per front end. Every text is UTF-8;
// file names are paths as the system spells them.
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/notification_window.h"

namespace brisvel {

// How a wait of the receive dialog ended.
enum class WaitEnd {
  Over,       // what the commands waited for came
  TimedOut,   // the deadline passed first
  Cancelled,  // the user cancelled or closed the dialog
};

// What a wait of the receive dialog waits for.
struct ReceiveWait {
  // Looked at when the wait begins, after each wake(), and every `poll` when given.
  std::function<bool()> over;
  std::optional<std::chrono::steady_clock::time_point> deadline;  // none: no time limit
  std::optional<std::chrono::milliseconds> poll;
};

// The receive dialog: how a front end waits for the unit while its windows keep painting and
// no command can start. The commands run the capture (commands/capture_flow.h): they say what
// the dialog says and what it waits for; the dialog shows, runs its event loop and reports
// how the wait ended. Destroying it takes it down.
class ReceiveDialog {
 public:
  virtual ~ReceiveDialog() = default;
  // Delivers the capture port's notifications on this dialog's event loop; asked for once,
  // and destroyed, with the port, before the dialog.
  virtual std::unique_ptr<serial::NotificationWindow> notificationWindow() = 0;
  // Whether the user can cancel a wait that shows nothing (a terminal's Ctrl-C), so that no
  // dialog need come up for it.
  virtual bool cancelsUnseen() const = 0;
  // Runs the event loop with nothing shown and the user's input held back.
  virtual WaitEnd waitUnseen(const ReceiveWait& wait) = 0;
  // Shows the dialog, modal, saying `text`, and runs its event loop; it stays up for the
  // next wait.
  virtual WaitEnd waitShown(const std::string& text, const ReceiveWait& wait) = 0;
  // A notification changed what the running wait waits for: it looks at `over` again.
  virtual void wake() = 0;
};

enum class FileDialogKind { Save, Open };

inline constexpr char kApplicationName[] = "BrisvelRemo";
// The registration window's caption, and its boxes'.
inline constexpr char kWindowCaption[] = "リモコンデータ登録";

// A question box with its buttons in order. Enter chooses `default_button` at first; Esc and
// the close box choose `escape_button`.
struct Question {
  std::string caption;
  std::string text;
  std::vector<std::string> buttons;
  std::size_t default_button = 0;
  std::size_t escape_button = 0;
  // Asked at start, before the window shows: the box has no owner.
  bool before_window = false;
};

// The answers to the question before unsaved changes would be dropped.
enum class UnsavedAnswer { Save, Discard, Cancel };

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // The input dialog; nothing when cancelled.
  virtual std::optional<std::string> askText(const std::string& caption, const std::string& prompt,
                                             int max_sjis_bytes) = 0;
  // The error dialog, captioned "エラー", text as given.
  virtual void showError(const std::string& message) = 0;
  // The application's box for an error that ended a command; adds the closing period.
  void showDefaultError(const std::string& message);
  // The file dialog of the kind, opened in `folder` with `file` (if any) offered; the chosen
  // file, or nothing when cancelled.
  virtual std::optional<std::filesystem::path> chooseFile(FileDialogKind kind, const std::filesystem::path& folder,
                                                          const std::optional<std::filesystem::path>& file) = 0;
  virtual std::unique_ptr<ReceiveDialog> createReceiveDialog() = 0;

  // The question box; the index of the button chosen. A front end with no boxes takes every
  // question as escaped.
  virtual std::size_t ask(const Question& question) { return question.escape_button; }

  // The questions the commands ask, each in its box's words. Before unsaved changes would be
  // dropped: "保存" (default), "破棄" and "キャンセル" (Esc, the close box).
  virtual UnsavedAnswer askUnsavedChanges(const std::string& question);
  // At start, captioned with the application's name: "復元" (true, default) or "破棄".
  virtual bool askRestore(const std::string& question);
  // Before Save replaces a file another program changed: "上書き" (true) and "キャンセル"
  // (default, Esc, the close box).
  virtual bool askOverwrite(const std::string& question);
  virtual void copyToClipboard(const std::string& text) = 0;
  // A code went out: `text` ("送信しました（出力 1）") shown at the row, going by itself,
  // with nothing to dismiss. A front end without such a place needs none.
  virtual void showSent(std::size_t /*row*/, const std::string& /*text*/) {}
  // The window's caption changed: the file's name and whether it has unsaved changes.
  virtual void showCaption(const std::string& caption) = 0;

 protected:
  virtual void showDefaultErrorBox(const std::string& text) = 0;
};

// The default box appends "." to a message ending in a character above "." (0x2E), as the
// platform's own error box does; ")" and "." endings stay as they are.
std::string WithClosingPeriod(const std::string& message);

}  // namespace brisvel
