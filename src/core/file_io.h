#pragma once
// The two loops every file needs, written once: all of a file in, all of a buffer out. Both
// carry on across signals and short transfers and keep the system's reason for a failure.
#include <cstddef>
#include <filesystem>
#include <span>
#include <string_view>

namespace brisvel {

// A file's bytes, read whole, in a mapping that asks for huge pages: in small pages a 50 MB
// list takes thousands of page faults, which cost more than parsing it. The advice may be
// refused; the buffer works either way. Throws std::system_error with the errno of the open or
// read that failed.
class WholeFile {
 public:
  explicit WholeFile(const std::filesystem::path& path);

  std::string_view bytes() const { return {static_cast<const char*>(buffer_.address), size_}; }

 private:
  // Anonymous memory that grows in place where it can; unmapped however the read ends.
  struct Mapping {
    Mapping() = default;
    ~Mapping();
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;
    void reserve(size_t new_capacity);

    void* address = nullptr;
    size_t capacity = 0;
  };

  int readAll(int fd);

  Mapping buffer_;
  size_t size_ = 0;
};

// Writes every byte to `fd`. Returns 0, or the errno of the write that failed; the bytes
// before it have been written.
int WriteAll(int fd, std::span<const std::byte> bytes);

}  // namespace brisvel
