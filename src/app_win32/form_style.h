#pragma once
// The look the windows share: the UI font at a DPI, the window icon, the application title.
#include <windows.h>

#include <string>

namespace brisvel {

inline constexpr wchar_t kApplicationTitle[] = L"BrisvelRemo";
// The icon's resource in the executable (brisvelremo.rc).
inline constexpr int kFormIconResource = 1;

// The first installed of "ＭＳ Ｐゴシック" and the Japanese UI fonts that stand in for it, or
// else the system's message font.
const std::wstring& FormFontFace();

// The windows' font: 12 pixels at 96 DPI, Shift-JIS character set, scaled to `dpi`.
class FormFont {
 public:
  explicit FormFont(UINT dpi = 96);
  ~FormFont();
  FormFont(FormFont&& other) noexcept;
  FormFont& operator=(FormFont&& other) noexcept;

  HFONT handle() const { return font_; }

 private:
  HFONT font_ = nullptr;
};

// The window icon in the sizes the system asks for at `dpi`; null where the executable has
// none (the tests).
class FormIcons {
 public:
  explicit FormIcons(UINT dpi = 96);
  ~FormIcons();
  FormIcons(const FormIcons&) = delete;
  FormIcons& operator=(const FormIcons&) = delete;

  HICON big() const { return big_; }
  HICON small() const { return small_; }

 private:
  HICON big_ = nullptr;
  HICON small_ = nullptr;
};

// The size `text` takes in the 96-DPI font, wrapped at `max_width` (no wrapping when 0).
// `prefixes` says whether "&" marks a mnemonic, as in a static text without SS_NOPREFIX.
SIZE MeasureText(const std::wstring& text, int max_width, bool prefixes);

}  // namespace brisvel
