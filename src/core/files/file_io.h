#pragma once
// The two loops every file needs, written once: all of a file in, all of a buffer out. Both
// carry on across signals and short transfers and keep the system's reason for a failure.
//
// Paths everywhere in the core are std::filesystem::path. On Linux they are the bytes the
// file system holds (UTF-8 in practice). On Windows a path holds UTF-16 and reaches the system
// as such, so every name opens whatever the ANSI code page; string() gives UTF-8 (as the
// error texts use it). Build a Windows path from wide text or from UTF-8 as std::u8string:
// libstdc++ (GCC 12) widens a plain std::string byte by byte, which only ASCII survives. A
// name held in Shift-JIS goes through sjis::ToUtf8 first.
#include <cstddef>
#include <filesystem>
#include <span>
#include <string_view>

namespace brisvel {

// A file's bytes, read whole, in a mapping that asks for huge pages: in small pages a 50 MB
// list takes thousands of page faults, which cost more than parsing it. The advice may be
// refused; the buffer works either way (Windows has no such advice and commits plain pages).
// Throws std::system_error with the errno of the open or read that failed.
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

// Opens an existing file for writing as it stands, neither creating nor truncating it, and
// writes every byte: what a shell's redirection does for a device, a FIFO or a terminal. With
// no bytes it only asks whether the file may be written. Returns 0 or the errno of the failure.
int WriteInPlace(const std::filesystem::path& path, std::span<const std::byte> bytes);

// Creates the file, which must not exist, and removes it again: whether a file can be made
// there. Returns 0 or the errno of the failure.
int ProbeCreate(const std::filesystem::path& path);

// Writes every byte to `fd` (on Windows, a C runtime descriptor). Returns 0, or the errno of
// the write that failed; the bytes before it have been written.
int WriteAll(int fd, std::span<const std::byte> bytes);

}  // namespace brisvel
