#include "serial_win32/win32_notification_window.h"

#include <stdexcept>
#include <string>

namespace brisvel::serial_win32 {

namespace {

constexpr wchar_t kClassName[] = L"BrisvelSerialNotification";

std::wstring wideFromUtf8(const std::string& text) {
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

bool isNotification(UINT message) {
  return message >= serial::kNotifyBreak && message <= serial::kNotifyHangUp;
}

// The system's own text would come in the ANSI code page; the number is enough for a failure
// that needs a broken system.
[[noreturn]] void throwLastError(const char* call) {
  throw std::runtime_error(std::string(call) + " failed (" + std::to_string(GetLastError()) + ")");
}

void registerClassOnce(WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) throwLastError("RegisterClassExW");
}

}  // namespace

Win32NotificationWindow::Win32NotificationWindow(std::string applicationTitle, Reporter onHandlerError)
    : applicationTitle_(wideFromUtf8(applicationTitle)), onHandlerError_(std::move(onHandlerError)) {
  registerClassOnce(windowProc);
  hwnd_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                          GetModuleHandleW(nullptr), this);
  if (!hwnd_) throwLastError("CreateWindowExW");
}

// Windows drops the messages posted to a window when it is destroyed, and a later post to
// the dead handle fails; clearing the back pointer first keeps even a stray one away.
Win32NotificationWindow::~Win32NotificationWindow() {
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
}

void Win32NotificationWindow::setReceiver(Receiver receiver) { receiver_ = std::move(receiver); }

void Win32NotificationWindow::post(int id) { PostMessageW(hwnd_, static_cast<UINT>(id), 0, 0); }

// With no owner the box is centred on the screen; task-modal disables the thread's windows.
void Win32NotificationWindow::showMessage(const std::string& utf8Message) {
  MessageBoxW(nullptr, wideFromUtf8(utf8Message).c_str(), applicationTitle_.c_str(), MB_OK | MB_TASKMODAL);
}

LRESULT CALLBACK Win32NotificationWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32NotificationWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && isNotification(message)) {
    Deliver(self->receiver_, static_cast<int>(message), self->onHandlerError_);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace brisvel::serial_win32
