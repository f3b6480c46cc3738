#pragma once
// Threads that carry the program's own name. Qt names its helper threads, which come and go
// as they please, while a serial monitor thread is an unnamed one, so a change in this count
// is a monitor thread started or left behind.
#include <filesystem>
#include <fstream>
#include <string>

namespace brisvel::testing_support {

inline std::string FirstLineOf(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
}

inline size_t UnnamedThreadCount() {
  const std::string program = FirstLineOf("/proc/self/comm");
  size_t count = 0;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task"))
    if (FirstLineOf(task.path() / "comm") == program) ++count;
  return count;
}

}  // namespace brisvel::testing_support
