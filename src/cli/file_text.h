#pragma once
#include <filesystem>
#include <string>

namespace brisvel::cli {

// A whole file's bytes. Throws the UserError the window shows for a file it cannot open.
std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace brisvel::cli
