// Shift-JIS through glibc's iconv (CP932).
#include "core/formats/sjis_codec.h"
#include "core/formats/text_converter.h"

namespace brisvel::sjis::detail {

// iconv_open is costly next to converting one short name, and a converter holds shift
// state, so each thread keeps one per direction.
std::string Decode(std::string_view sjis) {
  thread_local TextConverter decoder("UTF-8", "CP932");
  return decoder.ConvertReplacing(sjis, kReplacement);
}

bool Encode(std::string_view utf8, std::string& out) {
  thread_local TextConverter encoder("CP932", "UTF-8");
  return encoder.Convert(utf8, out);
}

}  // namespace brisvel::sjis::detail
