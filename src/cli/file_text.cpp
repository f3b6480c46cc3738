#include "cli/file_text.h"

namespace brisvel::cli {

std::string UnreadLinesMessage(const UnreadLines& unread) {
  return std::to_string(unread.count) + (unread.count == 1 ? " line" : " lines") + " cannot be read, from line " +
         std::to_string(unread.first) + " on: a NUL byte ends the text there";
}

std::vector<CodeEntry> LoadWholeCodeList(const std::filesystem::path& file) {
  LoadedCodeList loaded = LoadCodeListFile(file);
  if (loaded.unread) throw UserError(UnreadLinesMessage(*loaded.unread));
  if (loaded.error) throw *loaded.error;
  return std::move(loaded.entries);
}

}  // namespace brisvel::cli
