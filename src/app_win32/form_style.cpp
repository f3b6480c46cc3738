#include "app_win32/form_style.h"

#include <utility>

namespace brisvel {
namespace {

constexpr int kFontPixels = 12;

// Windows names MS P Gothic in Japanese or English depending on the system's language; the
// others are the Japanese UI fonts of later Windows versions, then the one wine finds on Debian.
constexpr const wchar_t* kFaceCandidates[] = {L"ＭＳ Ｐゴシック", L"MS PGothic", L"MS UI Gothic", L"Meiryo UI",
                                              L"Yu Gothic UI",    L"Noto Sans CJK JP"};

bool FontInstalled(const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(
      screen, &wanted,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM flag) -> int {
        *reinterpret_cast<bool*>(flag) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

std::wstring MessageFontFace() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  return metrics.lfMessageFont.lfFaceName;
}

std::wstring ChooseFace() {
  for (const wchar_t* face : kFaceCandidates)
    if (FontInstalled(face)) return face;
  return MessageFontFace();
}

HICON LoadFormIcon(int metric, UINT dpi) {
  const int size = GetSystemMetricsForDpi(metric, dpi);
  return static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kFormIconResource), IMAGE_ICON, size, size, 0));
}

}  // namespace

const std::wstring& FormFontFace() {
  static const std::wstring face = ChooseFace();
  return face;
}

FormFont::FormFont(UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(kFontPixels, static_cast<int>(dpi), 96);
  font.lfCharSet = SHIFTJIS_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  lstrcpynW(font.lfFaceName, FormFontFace().c_str(), LF_FACESIZE);
  font_ = CreateFontIndirectW(&font);
}

FormFont::~FormFont() {
  if (font_) DeleteObject(font_);
}

FormFont::FormFont(FormFont&& other) noexcept : font_(std::exchange(other.font_, nullptr)) {}

FormFont& FormFont::operator=(FormFont&& other) noexcept {
  std::swap(font_, other.font_);
  return *this;
}

FormIcons::FormIcons(UINT dpi) : big_(LoadFormIcon(SM_CXICON, dpi)), small_(LoadFormIcon(SM_CXSMICON, dpi)) {}

FormIcons::~FormIcons() {
  if (big_) DestroyIcon(big_);
  if (small_) DestroyIcon(small_);
}

SIZE MeasureText(const std::wstring& text, int max_width, bool prefixes) {
  const FormFont font;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ before = SelectObject(dc, font.handle());
  RECT area{0, 0, max_width, 0};
  UINT format = DT_CALCRECT | DT_EXPANDTABS | (prefixes ? 0 : DT_NOPREFIX) | (max_width > 0 ? DT_WORDBREAK : 0);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format);
  SelectObject(dc, before);
  DeleteDC(dc);
  return {area.right - area.left, area.bottom - area.top};
}

}  // namespace brisvel
