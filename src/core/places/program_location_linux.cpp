#include "core/places/program_location.h"

namespace brisvel {

std::filesystem::path ExecutableDirectory() { return std::filesystem::read_symlink("/proc/self/exe").parent_path(); }

}  // namespace brisvel
