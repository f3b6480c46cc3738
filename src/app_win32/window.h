#pragma once
// What every window of the Win32 front end shares: one window class whose procedure hands
// each message to the object, controls laid out at 96 DPI and scaled to the monitor's DPI,
// and the modal loop of a dialog with a modal result.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app_win32/form_style.h"

namespace brisvel {

// Pixels at 96 DPI, in the client area of the window that holds the control.
struct DesignRect {
  int left, top, width, height;
};

// A modal dialog's result: nothing yet, OK, cancel; dialogs may add their own above these.
inline constexpr int kNoResult = 0;
inline constexpr int kResultOk = IDOK;
inline constexpr int kResultCancel = IDCANCEL;

class Window {
 public:
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND handle() const { return handle_; }
  UINT dpi() const { return dpi_; }
  int scaled(int designed) const { return MulDiv(designed, static_cast<int>(dpi_), 96); }

  // Shows the window modally: the result starts at nothing, the thread's other windows are
  // disabled and every message of the thread is handled until a handler sets a result.
  int ShowModal();
  void setModalResult(int result) { modalResult_ = result; }
  // A key for the whole window, seen in the main loop before the control with the focus gets
  // it; true when it was taken. The default takes none.
  virtual bool windowKey(const MSG& /*message*/) { return false; }

 protected:
  Window() = default;
  // A top-level window with a client area of `client` (96 DPI) at its designed position,
  // or centred on the screen when `position` is empty. A dialog is owned by the window that
  // was active, so that it stays above it and has no task-bar button of its own.
  void create(const std::wstring& caption, DWORD style, SIZE client, std::optional<POINT> position,
              HWND owner = nullptr);
  // A child control in the window's font, placed and rescaled with the window.
  HWND addControl(const wchar_t* className, const std::wstring& text, DWORD style, DesignRect place, int id = 0,
                  DWORD extendedStyle = 0);
  // The modal loop without the showing: for a dialog that stays up across two waits.
  void beginModal();
  int runModalLoop();
  void endModal();
  bool isModal() const { return disabled_.has_value(); }

  virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // A control's WM_COMMAND or WM_NOTIFY; the default does nothing.
  virtual void command(int /*id*/, int /*code*/, HWND /*control*/) {}
  virtual LRESULT notify(NMHDR& /*header*/) { return 0; }
  // The button Enter presses when the focus is on no push button; 0 for none.
  virtual int defaultButtonId() const { return 0; }
  // After the controls were moved and given the font for a new DPI.
  virtual void dpiApplied() {}
  // The close box, Alt+F4 and the system menu; a modal window ends with cancel.
  virtual void closeRequested();

  // The control that takes the focus when the window is shown and whenever it is activated.
  void focusOnShow(HWND control) { focus_ = control; }
  void moveControl(HWND control, DesignRect place);
  // A new client size (96 DPI) for a window laid out after its creation.
  void resize(SIZE client);
  void centreOnScreen();
  const FormFont& font() const { return font_; }

 private:
  struct Control {
    HWND handle;
    DesignRect place;
  };
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT defaultButton() const;
  void keepFocus(bool activated);
  LRESULT guardedMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void applyDpi(UINT dpi);
  void resizeClient();

  HWND handle_ = nullptr;
  UINT dpi_ = 96;
  SIZE client_{};
  FormFont font_;
  std::unique_ptr<FormIcons> icons_;
  std::vector<Control> controls_;
  HWND focus_ = nullptr;  // the control to focus when the window is activated again
  int modalResult_ = kNoResult;
  std::optional<std::vector<HWND>> disabled_;  // the windows a modal showing disabled
};

// One message of the main loop: the window's own keys, keyboard navigation in it, then the
// control it is for.
void HandleMainLoopMessage(Window& main, MSG& message);
// The main loop, until the program quits.
int RunMessageLoop(Window& main);

// The visible, enabled top-level windows of this thread but `keep`, topmost first: those a
// modal window disables while it is up.
std::vector<HWND> OtherThreadWindows(HWND keep);

// The window of this thread that takes input now, if any: the owner of a box about to show.
HWND ActiveThreadWindow();

std::wstring WindowText(HWND window);

}  // namespace brisvel
