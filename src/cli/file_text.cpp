#include "cli/file_text.h"

#include <cerrno>
#include <fstream>
#include <iterator>

#include "core/atomic_file.h"

namespace brisvel::cli {

std::string ReadWholeFile(const std::filesystem::path& path) {
  constexpr std::string_view kCannotOpen = "は開けません";
  std::ifstream in(path, std::ios::binary);
  if (!in) throw FileError(path, errno, kCannotOpen);
  std::string bytes{std::istreambuf_iterator<char>(in), {}};
  if (in.bad()) throw FileError(path, EIO, kCannotOpen);
  return bytes;
}

}  // namespace brisvel::cli
