// Windows: the C runtime's descriptors over Win32 handles, so the interface stays the same;
// the names are UTF-16 (see std::filesystem::path).
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <system_error>

#include "core/files/file_descriptor.h"
#include "core/files/file_io.h"

namespace brisvel {

int CloseDescriptor(int fd) { return ::_close(fd); }

namespace {

// The runtime's read and write take an unsigned int count.
unsigned ChunkOf(size_t bytes) { return static_cast<unsigned>(std::min<size_t>(bytes, INT_MAX)); }

}  // namespace

WholeFile::WholeFile(const std::filesystem::path& path) {
  const FileDescriptor file(::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT));
  if (file.get() < 0) throw std::system_error(errno, std::generic_category());
  if (const int error = readAll(file.get()); error != 0) throw std::system_error(error, std::generic_category());
}

// Returns errno, or 0 once the end of the file is reached.
int WholeFile::readAll(int fd) {
  struct _stat64 status {};
  // One byte more than the file holds lets the read that sees its end need no growing.
  buffer_.reserve(::_fstat64(fd, &status) == 0 ? static_cast<size_t>(status.st_size) + 1 : 64 * 1024);
  for (;;) {
    if (size_ == buffer_.capacity) buffer_.reserve(2 * buffer_.capacity);
    const int got = ::_read(fd, static_cast<char*>(buffer_.address) + size_, ChunkOf(buffer_.capacity - size_));
    if (got <= 0) return got < 0 ? errno : 0;
    size_ += static_cast<size_t>(got);
  }
}

WholeFile::Mapping::~Mapping() {
  if (address != nullptr) ::VirtualFree(address, 0, MEM_RELEASE);
}

// Windows cannot grow a region in place: a larger one takes the bytes over.
void WholeFile::Mapping::reserve(size_t new_capacity) {
  void* grown = ::VirtualAlloc(nullptr, new_capacity, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (grown == nullptr) throw std::bad_alloc();
  if (address != nullptr) {
    std::memcpy(grown, address, std::min(capacity, new_capacity));
    ::VirtualFree(address, 0, MEM_RELEASE);
  }
  address = grown;
  capacity = new_capacity;
}

int WriteInPlace(const std::filesystem::path& path, std::span<const std::byte> bytes) {
  const FileDescriptor file(::_wopen(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT));
  if (file.get() < 0) return errno;
  return WriteAll(file.get(), bytes);
}

int ProbeCreate(const std::filesystem::path& path) {
  {
    const FileDescriptor file(
        ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE));
    if (file.get() < 0) return errno;
  }
  ::_wunlink(path.c_str());
  return 0;
}

int WriteAll(int fd, std::span<const std::byte> bytes) {
  while (!bytes.empty()) {
    const int written = ::_write(fd, bytes.data(), ChunkOf(bytes.size()));
    if (written < 0) return errno;
    // Only a device that has stopped taking data writes nothing at all.
    if (written == 0) return EIO;
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
  return 0;
}

}  // namespace brisvel
