#include "cli/file_text.h"

#include "core/files/atomic_file.h"
#include "core/files/file_io.h"

namespace brisvel::cli {

std::string UnreadLinesMessage(const UnreadLines& unread) {
  return std::to_string(unread.count) + (unread.count == 1 ? " line" : " lines") + " cannot be read, from line " +
         std::to_string(unread.first) + " on: a NUL byte ends the text there";
}

void WriteOutputFile(const std::filesystem::path& path, std::string_view bytes) {
  using std::filesystem::file_type;
  std::error_code unknown;
  switch (std::filesystem::status(path, unknown).type()) {
    case file_type::character:
    case file_type::block:
    case file_type::fifo:
    case file_type::socket:
      if (const int error = WriteInPlace(path, std::as_bytes(std::span(bytes)))) {
        throw FileError(path, error, "に書き込めません");
      }
      return;
    default:
      ReplaceFileAtomically(path, bytes);
  }
}

}  // namespace brisvel::cli
