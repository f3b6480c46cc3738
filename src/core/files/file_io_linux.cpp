#include "core/files/file_io.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <system_error>

#include "core/files/file_descriptor.h"

namespace brisvel {

int CloseDescriptor(int fd) { return ::close(fd); }

WholeFile::WholeFile(const std::filesystem::path& path) {
  const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) throw std::system_error(errno, std::generic_category());
  if (const int error = readAll(file.get()); error != 0) throw std::system_error(error, std::generic_category());
}

// Returns errno, or 0 once the end of the file is reached.
int WholeFile::readAll(int fd) {
  struct stat status {};
  // One byte more than the file holds lets the read that sees its end need no growing.
  buffer_.reserve(::fstat(fd, &status) == 0 ? static_cast<size_t>(status.st_size) + 1 : 64 * 1024);
  for (;;) {
    if (size_ == buffer_.capacity) buffer_.reserve(2 * buffer_.capacity);
    const ssize_t got = ::read(fd, static_cast<char*>(buffer_.address) + size_, buffer_.capacity - size_);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return got < 0 ? errno : 0;
    size_ += static_cast<size_t>(got);
  }
}

WholeFile::Mapping::~Mapping() {
  if (address != nullptr) ::munmap(address, capacity);
}

void WholeFile::Mapping::reserve(size_t new_capacity) {
  void* grown = address == nullptr
                    ? ::mmap(nullptr, new_capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                    : ::mremap(address, capacity, new_capacity, MREMAP_MAYMOVE);
  if (grown == MAP_FAILED) throw std::bad_alloc();
  ::madvise(grown, new_capacity, MADV_HUGEPAGE);
  address = grown;
  capacity = new_capacity;
}

int WriteInPlace(const std::filesystem::path& path, std::span<const std::byte> bytes) {
  const FileDescriptor file(::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC));
  if (file.get() < 0) return errno;
  return WriteAll(file.get(), bytes);
}

int ProbeCreate(const std::filesystem::path& path) {
  const FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (file.get() < 0) return errno;
  ::unlink(path.c_str());
  return 0;
}

int WriteAll(int fd, std::span<const std::byte> bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return errno;
    // Only a device that has stopped taking data writes nothing at all.
    if (written == 0) return EIO;
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
  return 0;
}

}  // namespace brisvel
