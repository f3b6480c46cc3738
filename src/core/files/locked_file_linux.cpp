#include "core/files/locked_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "core/files/file_io.h"

namespace brisvel {

LockedFile LockedFile::Create(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) throw Failure(path, errno);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    ::close(fd);
    throw Failure(path, error);
  }
  return LockedFile(fd, path);
}

std::optional<LockedFile> LockedFile::TryLock(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  return LockedFile(fd, path);
}

LockedFile::LockedFile(LockedFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
  if (this != &other) {
    if (handle_ >= 0) ::close(handle_);
    handle_ = std::exchange(other.handle_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

LockedFile::~LockedFile() {
  if (handle_ >= 0) ::close(handle_);
}

void LockedFile::append(std::string_view bytes) {
  if (int error = WriteAll(handle_, std::as_bytes(std::span(bytes)))) throw Failure(path_, error);
  if (fdatasync(handle_) != 0) throw Failure(path_, errno);
}

}  // namespace brisvel
