#pragma once
// Lines as both of the tool's text files count them, which is how the Windows text functions
// count them: a line ends at CR, at LF or at the pair CR LF, so LF CR is two breaks; a last
// line without a break still counts, and a break at the very end starts no further line.
#include <algorithm>
#include <cstddef>
#include <string_view>

namespace brisvel {

// 2 for CR LF, 1 for a lone CR or LF, 0 at the end of the text.
inline size_t LineBreakSizeAt(std::string_view text, size_t pos) {
  if (pos == text.size()) return 0;
  return text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
}

// Calls on_line(line, line_break) for each line and returns how many there are. The break
// handed over is "\r\n", "\r" or "\n", and empty only for a last line without one.
template <typename OnLine>
size_t ForEachLine(std::string_view text, OnLine on_line) {
  const auto find = [text](char c, size_t from) { return std::min(text.find(c, from), text.size()); };
  // Each search is kept until passed, so a file of CR LF lines costs two memchr passes.
  size_t next_cr = find('\r', 0);
  size_t next_lf = find('\n', 0);
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); ++count) {
    if (next_cr < pos) next_cr = find('\r', pos);
    if (next_lf < pos) next_lf = find('\n', pos);
    const size_t end = std::min(next_cr, next_lf);
    const size_t break_size = LineBreakSizeAt(text, end);
    on_line(text.substr(pos, end - pos), text.substr(end, break_size));
    pos = end + break_size;
  }
  return count;
}

}  // namespace brisvel
