#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "cli/file_lock.h"
#include "core/files/atomic_file.h"

namespace brisvel::cli {
namespace {

bool StillAtThePath(int fd, const std::filesystem::path& path) {
  struct stat held {}, named {};
  return ::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
         held.st_ino == named.st_ino;
}

}  // namespace

FileLock::FileLock(const std::filesystem::path& path) {
  for (;;) {
    // 0666 leaves a new file's mode to the umask, as saving it would.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) throw FileError(path, errno, "は開けません");
    int locked;
    while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (locked != 0) {
      const int error = errno;
      ::close(fd);
      throw FileError(path, error, "は開けません");
    }
    if (StillAtThePath(fd, path)) {
      handle_ = reinterpret_cast<void*>(static_cast<intptr_t>(fd));
      return;
    }
    ::close(fd);
  }
}

FileLock::~FileLock() { ::close(static_cast<int>(reinterpret_cast<intptr_t>(handle_))); }

}  // namespace brisvel::cli
