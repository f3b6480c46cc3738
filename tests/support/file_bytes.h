#pragma once
// A file's whole contents as bytes, for tests that prepare a file or check exactly what was
// written. Plain streams on purpose: the code under test must not check itself.
#include <filesystem>
#include <fstream>
#include <ios>
#include <sstream>
#include <string>
#include <string_view>

namespace brisvel::testing_support {

// Empty for a file that cannot be read.
inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// Creates or truncates the file; a test that cannot prepare its file has nothing to test.
inline void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::filesystem::filesystem_error("cannot write test file", path,
                                                  std::make_error_code(std::io_errc::stream));
}

}  // namespace brisvel::testing_support
