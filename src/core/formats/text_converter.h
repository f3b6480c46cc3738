#pragma once
// Text from one encoding to another through the C library's iconv, whole texts at a time.
#include <string>
#include <string_view>

namespace brisvel {

class TextConverter {
 public:
  // Encoding names as iconv spells them ("CP932", "UTF-8", "EUC-JP//TRANSLIT").
  // Throws std::runtime_error when iconv knows no such conversion.
  TextConverter(const char* to, const char* from);
  ~TextConverter();
  TextConverter(const TextConverter&) = delete;
  TextConverter& operator=(const TextConverter&) = delete;

  // Converts as much as it can; returns false at the first byte it cannot convert, with `in`
  // pointing at it.
  bool Convert(std::string_view& in, std::string& out);

  // Converts all of `in`, putting `replacement` for each byte it cannot convert.
  std::string ConvertReplacing(std::string_view in, std::string_view replacement);

 private:
  void* cd_;  // iconv_t, kept out of this header
};

}  // namespace brisvel
