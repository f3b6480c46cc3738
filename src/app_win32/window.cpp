#include "app_win32/window.h"

#include <exception>
#include <iterator>

#include "app_win32/prompts.h"

namespace brisvel {
namespace {

constexpr wchar_t kClassName[] = L"BrisvelRemoWindow";

void RegisterClassOnce(WNDPROC procedure) {
  static const bool registered = [procedure] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0;
  }();
  (void)registered;
}

// One of this front end's windows, by its handle; nothing for the system's own.
Window* OwnWindow(HWND handle) {
  wchar_t name[std::size(kClassName)] = {};
  if (!handle || !GetClassNameW(handle, name, static_cast<int>(std::size(name))) || lstrcmpW(name, kClassName) != 0)
    return nullptr;
  return reinterpret_cast<Window*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
}

}  // namespace

std::vector<HWND> OtherThreadWindows(HWND keep) {
  struct Search {
    HWND keep;
    std::vector<HWND> found;
  } search{keep, {}};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM data) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(data);
        if (window != wanted.keep && IsWindowVisible(window) && IsWindowEnabled(window)) wanted.found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

Window::~Window() {
  if (isModal()) endModal();
  if (handle_) {
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
  }
}

void Window::create(const std::wstring& caption, DWORD style, SIZE client, std::optional<POINT> position,
                    HWND owner) {
  RegisterClassOnce(windowProc);
  client_ = client;
  handle_ = CreateWindowExW(0, kClassName, caption.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, client.cx, client.cy,
                            owner, nullptr, GetModuleHandleW(nullptr), this);
  if (!handle_) throw std::runtime_error("CreateWindowExW failed (" + std::to_string(GetLastError()) + ")");
  applyDpi(GetDpiForWindow(handle_));
  if (position)
    SetWindowPos(handle_, nullptr, scaled(position->x), scaled(position->y), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  else
    centreOnScreen();
}

void Window::resize(SIZE client) {
  client_ = client;
  resizeClient();
}

void Window::centreOnScreen() {
  RECT outer;
  GetWindowRect(handle_, &outer);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(handle_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& work = monitor.rcWork;
  SetWindowPos(handle_, nullptr, (work.left + work.right - (outer.right - outer.left)) / 2,
               (work.top + work.bottom - (outer.bottom - outer.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND Window::addControl(const wchar_t* className, const std::wstring& text, DWORD style, DesignRect place, int id,
                        DWORD extendedStyle) {
  HWND control = CreateWindowExW(extendedStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                 handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                 nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.handle()), FALSE);
  controls_.push_back({control, place});
  moveControl(control, place);
  return control;
}

void Window::moveControl(HWND control, DesignRect place) {
  for (Control& known : controls_)
    if (known.handle == control) known.place = place;
  MoveWindow(control, scaled(place.left), scaled(place.top), scaled(place.width), scaled(place.height), TRUE);
}

void Window::applyDpi(UINT dpi) {
  dpi_ = dpi ? dpi : 96;
  font_ = FormFont(dpi_);
  icons_ = std::make_unique<FormIcons>(dpi_);
  SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons_->big()));
  SendMessageW(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons_->small()));
  for (const Control& control : controls_) {
    SendMessageW(control.handle, WM_SETFONT, reinterpret_cast<WPARAM>(font_.handle()), FALSE);
    moveControl(control.handle, control.place);
  }
  resizeClient();
  dpiApplied();
}

void Window::resizeClient() {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE));
  const auto extended = static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_EXSTYLE));
  RECT outer{0, 0, scaled(client_.cx), scaled(client_.cy)};
  AdjustWindowRectExForDpi(&outer, style, FALSE, extended, dpi_);
  SetWindowPos(handle_, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int Window::ShowModal() {
  beginModal();
  const int result = runModalLoop();
  endModal();
  return result;
}

void Window::beginModal() {
  modalResult_ = kNoResult;
  disabled_ = OtherThreadWindows(handle_);
  for (HWND window : *disabled_) EnableWindow(window, FALSE);
  ShowWindow(handle_, SW_SHOW);
  SetForegroundWindow(handle_);
}

int Window::runModalLoop() {
  modalResult_ = kNoResult;
  MSG message;
  while (modalResult_ == kNoResult) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The program is ending: leave the quit for the main loop.
      PostQuitMessage(static_cast<int>(message.wParam));
      modalResult_ = kResultCancel;
      break;
    }
    if (IsDialogMessageW(handle_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return modalResult_;
}

// The others are enabled before this one hides, so that the system activates its owner
// again rather than another program's window.
void Window::endModal() {
  if (disabled_)
    for (HWND window : *disabled_) EnableWindow(window, TRUE);
  disabled_.reset();
  ShowWindow(handle_, SW_HIDE);
}

// What IsDialogMessage asks before it turns Enter into a click: the focused push button, as
// the dialog manager does, else the window's default.
LRESULT Window::defaultButton() const {
  HWND focus = GetFocus();
  if (IsChild(handle_, focus) && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
    return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
  const int id = defaultButtonId();
  return id ? MAKELRESULT(id, DC_HASDEFID) : 0;
}

// As a dialog does: the control that had the focus gets it back when the window is active
// again, rather than the window itself, where keys would reach no control.
void Window::keepFocus(bool activated) {
  if (!activated) {
    if (HWND focus = GetFocus(); IsChild(handle_, focus)) focus_ = focus;
    return;
  }
  if (focus_ && IsWindow(focus_) && IsChild(handle_, focus_))
    SetFocus(focus_);
  else
    DefWindowProcW(handle_, WM_ACTIVATE, WA_ACTIVE, 0);
}

void Window::closeRequested() { setModalResult(kResultCancel); }

LRESULT Window::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case WM_NOTIFY:
      return notify(*reinterpret_cast<NMHDR*>(lParam));
    case DM_GETDEFID:
      return defaultButton();
    case WM_ACTIVATE:
      keepFocus(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_CLOSE:
      closeRequested();
      return 0;
    case WM_DPICHANGED: {
      const RECT& suggested = *reinterpret_cast<RECT*>(lParam);
      SetWindowPos(handle_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      applyDpi(HIWORD(wParam));
      return 0;
    }
    default:
      return DefWindowProcW(handle_, message, wParam, lParam);
  }
}

// An error must not unwind through the system's frames: it is shown, as an error escaping a
// command is, and the tool carries on.
LRESULT Window::guardedMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return handleMessage(message, wParam, lParam);
  } catch (const std::exception& error) {
    ShowDefaultError(error.what());
  }
  return 0;
}

LRESULT CALLBACK Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->handle_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  return self->guardedMessage(message, wParam, lParam);
}

HWND ActiveThreadWindow() {
  HWND active = GetActiveWindow();
  return active && IsWindowEnabled(active) ? active : nullptr;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// A message for another window of the program, the code view for one, is that window's to
// take, as the main window takes its own.
void HandleMainLoopMessage(Window& main, MSG& message) {
  Window* target = OwnWindow(GetAncestor(message.hwnd, GA_ROOT));
  if (!target) target = &main;
  if (target->windowKey(message) || IsDialogMessageW(target->handle(), &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int RunMessageLoop(Window& main) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) HandleMainLoopMessage(main, message);
  return static_cast<int>(message.wParam);
}

}  // namespace brisvel
