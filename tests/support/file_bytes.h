#pragma once
// A file's whole contents as bytes, for tests that check exactly what was written.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace brisvel::testing_support {

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace brisvel::testing_support
