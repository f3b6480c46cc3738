#pragma once
// Lines as the code-list reader sees them: a line ends at CR, LF or the pair CR LF.
#include <algorithm>
#include <cstddef>
#include <string_view>

namespace brisvel {

// 2 for CR LF, 1 for a lone CR or LF, 0 at the end of the text.
inline size_t BreakSize(std::string_view text, size_t pos) {
  if (pos == text.size()) return 0;
  return text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
}

// Calls on_line(line, line_break) for each line and returns how many there are. The break
// handed over is empty only for a last line without one.
template <typename OnLine>
size_t ForEachLine(std::string_view text, OnLine on_line) {
  const auto find = [text](char c, size_t from) {
    return std::min(text.find(c, from), text.size());
  };
  // Each search is kept until passed, so a file of CR LF lines costs two memchr passes.
  size_t next_cr = find('\r', 0);
  size_t next_lf = find('\n', 0);
  size_t count = 0;
  for (size_t pos = 0; pos < text.size(); ++count) {
    if (next_cr < pos) next_cr = find('\r', pos);
    if (next_lf < pos) next_lf = find('\n', pos);
    const size_t end = std::min(next_cr, next_lf);
    const size_t break_size = BreakSize(text, end);
    on_line(text.substr(pos, end - pos), text.substr(end, break_size));
    pos = end + break_size;
  }
  return count;
}

}  // namespace brisvel
