// Shift-JIS through glibc's iconv (CP932).
#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "core/sjis_codec.h"

namespace brisvel::sjis {
namespace {

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

}  // namespace

namespace detail {

bool DecodeValidPrefix(std::string_view& in, std::string& out) {
  thread_local Converter decoder("UTF-8", "CP932");
  return decoder.Convert(in, out);
}

bool Encode(std::string_view utf8, std::string& out) {
  thread_local Converter encoder("CP932", "UTF-8");
  return encoder.Convert(utf8, out);
}

}  // namespace detail
}  // namespace brisvel::sjis
