#pragma once
// A file this process holds an exclusive lock on for as long as the object lives, written
// by durable appends. The lock dies with the process, however it ends, so a file that can
// be locked is one whose writer is gone. The handle is a POSIX descriptor, on Windows the C
// runtime's.
#include <filesystem>
#include <optional>
#include <string_view>

#include "core/errors.h"

namespace brisvel {

class LockedFile {
 public:
  // Creates the file (it must not exist) and locks it. Throws UserError.
  static LockedFile Create(const std::filesystem::path& path);
  // Locks an existing file; nothing when another process holds it or it cannot be opened.
  static std::optional<LockedFile> TryLock(const std::filesystem::path& path);

  LockedFile(LockedFile&& other) noexcept;
  LockedFile& operator=(LockedFile&& other) noexcept;
  ~LockedFile();

  // Appends the bytes and waits until they are on the disk. Throws UserError.
  void append(std::string_view bytes);

 private:
  explicit LockedFile(int handle, std::filesystem::path path) : handle_(handle), path_(std::move(path)) {}
  // `<path>: <system's reason>`.
  static UserError Failure(const std::filesystem::path& path, int error);

  int handle_ = -1;
  std::filesystem::path path_;
};

}  // namespace brisvel
