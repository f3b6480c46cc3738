#pragma once
// The modal boxes the commands show: the error dialog, the application's default error box,
// the input dialog, question boxes and the common file dialogs. Texts are UTF-8.
#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app_win32/window.h"

namespace brisvel {

// The error dialog: caption "エラー", error icon, the text word-wrapped at half the screen's
// width with "&" marking a mnemonic ("&&" is one "&"), and OK on Enter and Esc.
void ShowErrorDialog(const std::string& message);
// The application's box for an error that ended a command or escaped a handler; the message
// gets its closing period (WithClosingPeriod).
void ShowDefaultError(const std::string& message);
// The same box with the text as given.
void ShowDefaultErrorBox(const std::string& text);

// The input dialog: nothing when cancelled. The text stays within `max_sjis_bytes` of
// Shift-JIS; OK refuses text Shift-JIS cannot hold, saying so.
std::optional<std::string> AskText(const std::string& caption, const std::string& prompt, const std::string& initial,
                                   int max_sjis_bytes);

// A question box with the buttons in order; the index of the one pressed. Enter presses the
// focused button, at first `default_button`; Esc and the close box press `escape_button`.
int AskChoice(const std::string& caption, const std::string& question, const std::vector<std::string>& buttons,
              int default_button, int escape_button);

// A box of the kinds above: an icon, a text and a row of buttons, centred on the screen.
class MessageDialog : public Window {
 public:
  struct Design {
    std::wstring caption;
    LPCWSTR icon;  // IDI_ERROR, IDI_QUESTION
    std::wstring text;
    bool mnemonics;  // "&" underlines, as in the error dialog
    std::vector<std::wstring> buttons;
    int default_button;
    int escape_button;
  };
  explicit MessageDialog(const Design& design);
  // The index of the button pressed.
  int Execute();

  HWND text() const { return text_; }
  HWND button(int index) const { return buttons_.at(static_cast<size_t>(index)); }

 protected:
  void command(int id, int code, HWND control) override;
  void closeRequested() override;
  int defaultButtonId() const override;

 private:
  static constexpr int kFirstButtonId = 100;
  void layOut(const Design& design);

  HWND text_ = nullptr;
  std::vector<HWND> buttons_;
  int default_button_;
  int escape_button_;
};

// The input dialog as a window, for the tests to reach its edit line.
class InputQueryDialog : public Window {
 public:
  InputQueryDialog(const std::wstring& caption, const std::wstring& prompt, const std::wstring& initial,
                   int max_sjis_bytes);
  std::optional<std::string> Execute();

  HWND edit() const { return edit_; }

 protected:
  void command(int id, int code, HWND control) override;
  int defaultButtonId() const override { return IDOK; }

 private:
  static constexpr int kEditId = 100;
  void keepWithinLimit();
  std::wstring value() const;

  HWND edit_ = nullptr;
  int max_sjis_bytes_;
  bool limiting_ = false;
};

// The settings of a common file dialog; Execute shows it in `folder`, offering `file`.
struct FileDialog {
  enum class Kind { Save, Open };
  Kind kind;
  const wchar_t* filter;             // pairs of description and pattern, each ending in NUL
  const wchar_t* default_extension;  // without the dot; null for none
  DWORD flags;

  std::optional<std::filesystem::path> Execute(HWND owner, const std::filesystem::path& folder,
                                               const std::optional<std::filesystem::path>& file) const;
};

}  // namespace brisvel
