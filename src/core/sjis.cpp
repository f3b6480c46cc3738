#include "sjis.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace brisvel::sjis {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// iconv_open is costly next to converting one short name, and a converter holds shift
// state, so each thread keeps one per direction.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much as it can; returns false at the first byte it cannot convert,
  // with `in` pointing at it.
  bool Convert(std::string_view& in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t src_left = in.size();
    char buffer[1024];
    bool ok = true;
    while (src_left > 0) {
      char* dst = buffer;
      size_t dst_left = sizeof buffer;
      size_t rc = iconv(cd_, &src, &src_left, &dst, &dst_left);
      out.append(buffer, static_cast<size_t>(dst - buffer));
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
        ok = false;
        break;
      }
    }
    in.remove_prefix(in.size() - src_left);
    return ok;
  }

 private:
  iconv_t cd_;
};

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

}  // namespace

std::string ToUtf8(std::string_view sjis) {
  if (IsAscii(sjis)) return std::string(sjis);  // the 480-digit data texts
  thread_local Converter decoder("UTF-8", "CP932");
  std::string out;
  out.reserve(sjis.size() * 3 / 2);
  while (!decoder.Convert(sjis, out)) {
    out += kReplacement;
    sjis.remove_prefix(1);
  }
  return out;
}

std::optional<std::string> FromUtf8(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local Converter encoder("CP932", "UTF-8");
  std::string out;
  if (!encoder.Convert(utf8, out)) return std::nullopt;
  return out;
}

}  // namespace brisvel::sjis
