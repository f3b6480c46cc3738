#pragma once
// What the commands ask of the user, implemented once per front end. Every text is UTF-8;
// file names are paths as the system spells them.
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/rs232c.h"

namespace brisvel {

// How a wait of the receive dialog ended.
enum class ReceiveResult {
  Received,   // what was awaited is in the input queue
  Cancelled,  // the user cancelled or closed the dialog
  LineLost,   // the line hung up: the adapter was unplugged (OnHANGUP)
  TimedOut,   // waitForReply only: the limit passed first
};

// The receive dialog as the capture sees it: it carries the capture's serial component,
// configured for the unit with its notifications (OnPACKET, OnHANGUP) bound to the dialog
// before the port opens, since handlers cannot change while it is open. Both waits run the
// front end's event loop, so the windows keep painting, while no command can start.
// Destroying the dialog closes the port.
class ReceiveDialog {
 public:
  virtual ~ReceiveDialog() = default;
  virtual serial::Trs232c& port() = 0;
  // Waits for the unit's answer to the start byte: until a byte is in (AnswerArrived), the
  // line is lost, the user cancels, or `limit` passes.
  virtual ReceiveResult waitForReply(std::chrono::milliseconds limit) = 0;
  // Shows the dialog modally until the packet is in, the line is lost or the user cancels.
  virtual ReceiveResult waitForPacket() = 0;
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
  // The window's caption changed: the file's name and whether it has unsaved changes.
  virtual void showCaption(const std::string& caption) = 0;

 protected:
  virtual void showDefaultErrorBox(const std::string& text) = 0;
};

// The default box appends "." to a message ending in a character above "." (0x2E), as the
// platform's own error box does; ")" and "." endings stay as they are.
std::string WithClosingPeriod(const std::string& message);

}  // namespace brisvel
