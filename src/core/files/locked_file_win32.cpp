// Windows: the lock is one byte far past the end of the file. Windows locks are mandatory, so
// a lock over the file's own bytes would refuse reading them even to this process's other
// handles, and the recovery reads a journal it holds; a range past the end stops no reader.
// It ends with the handle, or the process, as flock's does. The file is shared with readers,
// writers and deleters, as any file on Linux is, so a held journal can be renamed or removed.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <utility>

#include "core/files/file_io.h"
#include "core/files/locked_file.h"
#include "core/files/win32_errno.h"

namespace brisvel {
namespace {

constexpr DWORD kLockOffsetHigh = 0x40000000;  // byte 2^62: no journal grows that far

bool LockFarPastTheEnd(HANDLE file) {
  OVERLAPPED at{};
  at.OffsetHigh = kLockOffsetHigh;
  return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

HANDLE OpenShared(const std::filesystem::path& path, DWORD disposition) {
  return CreateFileW(path.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Locks the opened file and hands its handle to the C runtime, which owns it from then on.
// Should either step fail the handle is closed here, so that neither it nor its lock outlives
// the failure; -1 with errno set then.
int LockAndTakeOver(HANDLE file) {
  if (!LockFarPastTheEnd(file)) {
    errno = ErrnoFromWin32(GetLastError());
    CloseHandle(file);
    return -1;
  }
  // The runtime's table of descriptors can be full.
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_APPEND | _O_BINARY);
  if (fd < 0) CloseHandle(file);
  return fd;
}

}  // namespace

LockedFile LockedFile::Create(const std::filesystem::path& path) {
  const HANDLE file = OpenShared(path, CREATE_NEW);
  if (file == INVALID_HANDLE_VALUE) throw Failure(path, ErrnoFromWin32(GetLastError()));
  const int fd = LockAndTakeOver(file);
  if (fd < 0) throw Failure(path, errno);
  return LockedFile(fd, path);
}

std::optional<LockedFile> LockedFile::TryLock(const std::filesystem::path& path) {
  const HANDLE file = OpenShared(path, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  const int fd = LockAndTakeOver(file);
  if (fd < 0) return std::nullopt;
  return LockedFile(fd, path);
}

LockedFile::LockedFile(LockedFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_)) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
  if (this != &other) {
    if (handle_ >= 0) ::_close(handle_);
    handle_ = std::exchange(other.handle_, -1);
    path_ = std::move(other.path_);
  }
  return *this;
}

LockedFile::~LockedFile() {
  if (handle_ >= 0) ::_close(handle_);
}

void LockedFile::append(std::string_view bytes) {
  if (int error = WriteAll(handle_, std::as_bytes(std::span(bytes)))) throw Failure(path_, error);
  if (!FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(handle_)))) throw Failure(path_, ErrnoFromWin32(GetLastError()));
}

}  // namespace brisvel
