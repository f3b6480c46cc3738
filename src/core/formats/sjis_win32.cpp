// Shift-JIS through the system's code page 932. Its converters cannot say where an invalid
// byte is, and quietly map some (0x80, 0xA0, 0xFD to 0xFF) to private-use characters, so the
// characters are told apart here and each checked on its own; and best-fit mapping, which
// would turn a character without a Shift-JIS form into a look-alike, is switched off.
#include <windows.h>

#include "core/formats/sjis.h"
#include "core/formats/sjis_codec.h"
#include "core/formats/wide_text_win32.h"

namespace brisvel::sjis::detail {
namespace {

constexpr UINT kShiftJis = 932;

bool IsTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFC && byte != 0x7F; }
bool IsSingleByteCharacter(unsigned char byte) { return byte < 0x80 || (byte >= 0xA1 && byte <= 0xDF); }

// The length of the valid character at the start of `text`, or 0.
size_t CharacterLength(std::string_view text) {
  const auto first = static_cast<unsigned char>(text[0]);
  if (IsSingleByteCharacter(first)) return 1;
  if (!IsLeadByte(first) || text.size() < 2 || !IsTrailByte(static_cast<unsigned char>(text[1]))) return 0;
  wchar_t unused;
  return MultiByteToWideChar(kShiftJis, MB_ERR_INVALID_CHARS, text.data(), 2, &unused, 1) == 1 ? 2 : 0;
}

}  // namespace

std::string Decode(std::string_view sjis) {
  std::string out;
  while (!sjis.empty()) {
    size_t valid = 0;
    for (size_t length; valid < sjis.size() && (length = CharacterLength(sjis.substr(valid))) != 0;) valid += length;
    const int size = static_cast<int>(valid);
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(kShiftJis, 0, sjis.data(), size, nullptr, 0)), L'\0');
    MultiByteToWideChar(kShiftJis, 0, sjis.data(), size, wide.data(), static_cast<int>(wide.size()));
    out += Utf8FromWide(wide);
    sjis.remove_prefix(valid);
    if (!sjis.empty()) {
      out += kReplacement;
      sjis.remove_prefix(1);
    }
  }
  return out;
}

bool Encode(std::string_view utf8, std::string& out) {
  const int size = static_cast<int>(utf8.size());
  const int wide_size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, nullptr, 0);
  if (wide_size == 0) return false;
  std::wstring wide(static_cast<size_t>(wide_size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, wide.data(), wide_size);
  BOOL lossy = FALSE;
  const int bytes = WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), wide_size, nullptr, 0, nullptr, &lossy);
  if (bytes == 0 || lossy) return false;
  const size_t start = out.size();
  out.resize(start + static_cast<size_t>(bytes));
  WideCharToMultiByte(kShiftJis, WC_NO_BEST_FIT_CHARS, wide.data(), wide_size, out.data() + start, bytes, nullptr, nullptr);
  return true;
}

}  // namespace brisvel::sjis::detail
