#include "app_win32/code_view_window.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/formats/wide_text_win32.h"

namespace brisvel {
namespace {

enum ControlId : int { kNameId = 100, kPictureId, kSummaryId, kDetailsId };

constexpr SIZE kClient{560, 340};
constexpr DesignRect kNamePlace{8, 8, 544, 16};
constexpr DesignRect kPicturePlace{8, 28, 544, 100};
constexpr DesignRect kSummaryPlace{8, 136, 544, 16};
constexpr DesignRect kDetailsPlace{8, 156, 544, 176};

// The longest capture the unit makes spans the picture's width; shorter ones keep its scale,
// so that codes can be compared by eye.
constexpr int kFullSpanUs = 192000;

// The picture's parts, at 96 DPI: a margin around the trace and, under it, the scale.
constexpr int kMargin = 8;
constexpr int kScaleHeight = 24;
constexpr int kLabelledTick = 5;
constexpr int kPlainTick = 3;

// An EDIT control breaks lines at "\r\n" only.
std::wstring WithWindowsLineEnds(const std::string& text) {
  std::wstring wide;
  for (wchar_t c : WideFromUtf8(text)) {
    if (c == L'\n') wide += L'\r';
    wide += c;
  }
  return wide;
}

}  // namespace

CodeViewWindow::CodeViewWindow(HWND owner) {
  create(WideFromUtf8(kCodeViewCaption), WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, kClient, std::nullopt, owner);
  NameLabel = addControl(L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, kNamePlace, kNameId);
  PictureBox = addControl(L"STATIC", L"", SS_OWNERDRAW, kPicturePlace, kPictureId, WS_EX_CLIENTEDGE);
  SummaryLabel = addControl(L"STATIC", L"", SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, kSummaryPlace, kSummaryId);
  DetailsEdit = addControl(L"EDIT", L"", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
                           kDetailsPlace, kDetailsId, WS_EX_CLIENTEDGE);
  focusOnShow(DetailsEdit);
}

void CodeViewWindow::show(const CodeView& view) {
  SetWindowTextW(NameLabel, WideFromUtf8(view.name).c_str());
  SetWindowTextW(SummaryLabel, WideFromUtf8(view.summary).c_str());
  SetWindowTextW(DetailsEdit, WithWindowsLineEnds(view.details).c_str());
  picture_ = view.picture;
  InvalidateRect(PictureBox, nullptr, TRUE);
}

// Kept on the screen, over the window's edge if the screen is too narrow.
void CodeViewWindow::placeBeside(HWND window) {
  RECT beside, own;
  GetWindowRect(window, &beside);
  GetWindowRect(handle(), &own);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  const int left = std::max(monitor.rcWork.left, std::min(beside.right, monitor.rcWork.right - (own.right - own.left)));
  SetWindowPos(handle(), nullptr, left, beside.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Reopened, it comes back as it was left.
void CodeViewWindow::closeRequested() { ShowWindow(handle(), SW_HIDE); }

bool CodeViewWindow::windowKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_ESCAPE) return false;
  closeRequested();
  return true;
}

LRESULT CodeViewWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DRAWITEM && wParam == kPictureId) {
    drawPicture(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    return TRUE;
  }
  return Window::handleMessage(message, wParam, lParam);
}

// Marks high, spaces low, as one line over the capture's span; under it the millisecond scale.
void CodeViewWindow::drawPicture(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  const RECT& area = item.rcItem;
  FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
  if (picture_.length_us <= 0) return;
  const int left = area.left + scaled(kMargin), right = area.right - scaled(kMargin);
  const int high = area.top + scaled(kMargin), axis = area.bottom - scaled(kScaleHeight);
  const int low = axis - scaled(kMargin);
  const double pixels_per_us = static_cast<double>(right - left) / std::max(picture_.length_us, kFullSpanUs);
  const auto x = [&](int at_us) { return left + static_cast<int>(std::lround(at_us * pixels_per_us)); };

  std::vector<POINT> trace;
  for (const signal::Level& level : picture_.levels) {
    const int y = level.mark ? high : low;
    trace.push_back({x(level.start_us), y});
    trace.push_back({x(level.end_us), y});
  }
  HPEN trace_pen = CreatePen(PS_SOLID, scaled(1), GetSysColor(COLOR_HIGHLIGHT));
  HGDIOBJ old_pen = SelectObject(dc, trace_pen);
  Polyline(dc, trace.data(), static_cast<int>(trace.size()));

  HPEN scale_pen = CreatePen(PS_SOLID, scaled(1), GetSysColor(COLOR_WINDOWTEXT));
  SelectObject(dc, scale_pen);
  MoveToEx(dc, left, axis, nullptr);
  LineTo(dc, right, axis);
  HGDIOBJ old_font = SelectObject(dc, font().handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  for (const signal::Tick& tick : picture_.ticks) {
    const int at = x(tick.at_us);
    MoveToEx(dc, at, axis, nullptr);
    LineTo(dc, at, axis + scaled(tick.label.empty() ? kPlainTick : kLabelledTick));
    if (tick.label.empty()) continue;
    // Centred under its tick, but whole: the last label sits at the picture's edge.
    const std::wstring label = WideFromUtf8(tick.label);
    SIZE size{};
    GetTextExtentPoint32W(dc, label.c_str(), static_cast<int>(label.size()), &size);
    const int label_left = std::clamp(at - size.cx / 2, area.left, area.right - size.cx);
    TextOutW(dc, label_left, axis + scaled(kLabelledTick), label.c_str(), static_cast<int>(label.size()));
  }
  SelectObject(dc, old_font);
  SelectObject(dc, old_pen);
  DeleteObject(scale_pen);
  DeleteObject(trace_pen);
}

}  // namespace brisvel
