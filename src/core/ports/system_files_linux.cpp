#include "core/ports/system_files_linux.h"

#include <system_error>

#include "core/files/file_io.h"

namespace brisvel {

std::string FirstLineOf(const std::filesystem::path& file) {
  try {
    const WholeFile whole(file);
    const std::string_view bytes = whole.bytes();
    return std::string(bytes.substr(0, bytes.find('\n')));
  } catch (const std::system_error&) {
    return {};
  }
}

void ForEachEntry(const std::filesystem::path& folder, const std::function<void(const std::filesystem::path&)>& visit) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) visit(it->path());
}

}  // namespace brisvel
