#include "core/formats/text_converter.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace brisvel {

TextConverter::TextConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
  if (cd_ == reinterpret_cast<iconv_t>(-1)) {
    throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
  }
}

TextConverter::~TextConverter() { iconv_close(static_cast<iconv_t>(cd_)); }

bool TextConverter::Convert(std::string_view& in, std::string& out) {
  auto* cd = static_cast<iconv_t>(cd_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char buffer[1024];
  bool ok = true;
  while (src_left > 0) {
    char* dst = buffer;
    size_t dst_left = sizeof buffer;
    size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      ok = false;
      break;
    }
  }
  in.remove_prefix(in.size() - src_left);
  return ok;
}

std::string TextConverter::ConvertReplacing(std::string_view in, std::string_view replacement) {
  std::string out;
  out.reserve(in.size() * 3 / 2);
  while (!Convert(in, out)) {
    out += replacement;
    in.remove_prefix(1);
  }
  return out;
}

}  // namespace brisvel
