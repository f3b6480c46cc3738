// Windows locks are mandatory, so the lock is one byte far past the end of the file, which
// stops no reader (as the recovery journal's, core/locked_file_win32.cpp). The handle shares
// reading, writing and deleting, so the file can still be replaced while it is held.
#include <windows.h>

#include "cli/file_lock.h"
#include "core/files/atomic_file.h"
#include "core/files/win32_errno.h"

namespace brisvel::cli {
namespace {

constexpr DWORD kLockOffsetHigh = 0x40000000;  // byte 2^62: no code list grows that far
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION first{}, second{};
  return GetFileInformationByHandle(a, &first) && GetFileInformationByHandle(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

bool StillAtThePath(HANDLE held, const std::filesystem::path& path) {
  const HANDLE named = CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  const bool same = SameFile(held, named);
  CloseHandle(named);
  return same;
}

}  // namespace

FileLock::FileLock(const std::filesystem::path& path) {
  for (;;) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw FileError(path, ErrnoFromWin32(GetLastError()), "は開けません");
    OVERLAPPED at{};
    at.OffsetHigh = kLockOffsetHigh;
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
      const DWORD error = GetLastError();
      CloseHandle(file);
      throw FileError(path, ErrnoFromWin32(error), "は開けません");
    }
    if (StillAtThePath(file, path)) {
      handle_ = file;
      return;
    }
    CloseHandle(file);
  }
}

FileLock::~FileLock() { CloseHandle(handle_); }

}  // namespace brisvel::cli
