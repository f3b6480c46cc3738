#include "cli/file_text.h"

namespace brisvel::cli {

std::string UnreadLinesMessage(const UnreadLines& unread) {
  return std::to_string(unread.count) + (unread.count == 1 ? " line" : " lines") + " cannot be read, from line " +
         std::to_string(unread.first) + " on: a NUL byte ends the text there";
}

}  // namespace brisvel::cli
