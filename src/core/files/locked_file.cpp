#include "core/files/locked_file.h"

#include <system_error>

namespace brisvel {

UserError LockedFile::Failure(const std::filesystem::path& path, int error) {
  return UserError(path.string() + ": " + std::generic_category().message(error));
}

}  // namespace brisvel
