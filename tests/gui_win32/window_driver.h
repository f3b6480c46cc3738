#pragma once
// Drives the Win32 windows as a user would, with messages to the real controls. A modal
// window runs its own loop, so the answers come from a timer of the test's thread that every
// such loop dispatches: each expected window is looked for by its caption among the thread's
// windows, looked at, and answered with messages.
#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/formats/wide_text_win32.h"

namespace brisvel::testing_support {

inline std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

inline std::wstring ClassOf(HWND window) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  return name;
}

// A visible, enabled top-level window of this thread that `matches`: the window a modal loop
// waits on, not the ones it disabled (the registration window shares the name dialog's caption).
inline HWND FindThreadWindow(const std::function<bool(HWND)>& matches) {
  struct Search {
    const std::function<bool(HWND)>& matches;
    HWND found = nullptr;
  } search{matches};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(data);
        if (!IsWindowVisible(window) || !IsWindowEnabled(window) || !wanted.matches(window)) return TRUE;
        wanted.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND FindThreadWindow(const std::wstring& caption) {
  return FindThreadWindow([&caption](HWND window) { return TextOf(window) == caption; });
}

// The common file dialog, whatever the system's language calls it.
inline bool IsFileDialog(HWND window) { return GetDlgItem(window, cmb13) || GetDlgItem(window, edt1); }

inline std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& class_name) {
  struct Search {
    const std::wstring& class_name;
    std::vector<HWND> found;
  } search{class_name, {}};
  EnumChildWindows(
      parent,
      [](HWND window, LPARAM data) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(data);
        if (_wcsicmp(ClassOf(window).c_str(), wanted.class_name.c_str()) == 0) wanted.found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The texts a box shows: its static controls that hold any.
inline std::wstring ShownText(HWND box) {
  std::wstring shown;
  for (HWND text : ChildrenOfClass(box, L"Static"))
    if (!TextOf(text).empty()) shown += TextOf(text);
  return shown;
}

inline HWND ButtonCaptioned(HWND box, const std::wstring& caption) {
  for (HWND button : ChildrenOfClass(box, L"Button"))
    if (TextOf(button) == caption) return button;
  return nullptr;
}

// A key as the keyboard would deliver it to the focused control, through the loop running.
inline void PressKey(WPARAM key) {
  PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
  PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
}

// Holds Ctrl (and Shift) down in the thread's keyboard state while a key is sent.
inline void SendKeyWith(HWND target, WPARAM key, bool control, bool shift = false) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_CONTROL] = control ? 0x80 : 0;
  state[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(state);
  SendMessageW(target, WM_KEYDOWN, key, 1);
  state[VK_CONTROL] = state[VK_SHIFT] = 0;
  SetKeyboardState(state);
}

// Handles every message of the thread for a while, as the main loop would.
inline void Pump(std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  MSG message;
  while (std::chrono::steady_clock::now() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

// Answers the modal windows of this thread in the order expected. A window that does not
// come leaves its answer unused, which the test sees in `unanswered()`.
class ModalAnswers {
 public:
  using Answer = std::function<void(HWND window)>;

  ModalAnswers() {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, tick);
  }
  ~ModalAnswers() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  ModalAnswers(const ModalAnswers&) = delete;
  ModalAnswers& operator=(const ModalAnswers&) = delete;

  void expect(std::wstring caption, Answer answer) {
    expected_.push_back({caption, [caption](HWND window) { return TextOf(window) == caption; }, std::move(answer)});
  }
  void expectFileDialog(Answer answer) { expected_.push_back({L"(file dialog)", IsFileDialog, std::move(answer)}); }
  void expectPopupMenu(Answer answer) {
    expected_.push_back({L"(popup menu)", [](HWND window) { return ClassOf(window) == L"#32768"; }, std::move(answer)});
  }
  std::vector<std::string> unanswered() const {
    std::vector<std::string> captions;
    for (const auto& step : expected_) captions.push_back(Utf8FromWide(step.caption));
    return captions;
  }

 private:
  struct Step {
    std::wstring caption;
    std::function<bool(HWND)> matches;
    Answer answer;
  };

  static void CALLBACK tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!current_ || current_->expected_.empty() || current_->answering_) return;
    HWND window = FindThreadWindow(current_->expected_.front().matches);
    if (!window || window == current_->last_) return;
    Step step = std::move(current_->expected_.front());
    current_->expected_.pop_front();
    current_->last_ = window;
    current_->answering_ = true;  // an answer that opens the next box must not recurse
    step.answer(window);
    current_->answering_ = false;
  }

  static inline ModalAnswers* current_ = nullptr;
  UINT_PTR timer_ = 0;
  std::deque<Step> expected_;
  HWND last_ = nullptr;
  bool answering_ = false;
};

// Answers: a button by its caption; a key to the focused control; the close box.
inline ModalAnswers::Answer Press(std::wstring caption) {
  return [caption](HWND box) { PostMessageW(ButtonCaptioned(box, caption), BM_CLICK, 0, 0); };
}
inline ModalAnswers::Answer Key(WPARAM key) {
  return [key](HWND) { PressKey(key); };
}
inline ModalAnswers::Answer CloseBox() {
  return [](HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); };
}
// Types into the box's edit line and presses OK with Enter.
inline ModalAnswers::Answer TypeAndEnter(std::wstring text) {
  return [text](HWND box) {
    SetWindowTextW(ChildrenOfClass(box, L"Edit").at(0), text.c_str());
    PressKey(VK_RETURN);
  };
}
// The common file dialog: the name typed into its file name box, then OK.
inline ModalAnswers::Answer ChooseFile(std::filesystem::path file) {
  return [file](HWND dialog) {
    for (int id : {cmb13, edt1})
      if (HWND name = GetDlgItem(dialog, id)) SetWindowTextW(name, file.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  };
}
// Remembers what a box showed before answering it.
inline ModalAnswers::Answer Seen(std::wstring& text, ModalAnswers::Answer answer) {
  return [&text, answer](HWND box) {
    text = ShownText(box);
    answer(box);
  };
}

}  // namespace brisvel::testing_support
