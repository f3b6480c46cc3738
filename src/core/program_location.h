#pragma once
#include <filesystem>

namespace brisvel {

// The folder holding the running executable, where its settings file lives.
std::filesystem::path ExecutableDirectory();

}  // namespace brisvel
