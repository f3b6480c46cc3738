// Windows: the new content goes to a temporary file beside the target, is flushed to the
// disk, and takes the target's place with ReplaceFileW (which keeps the target's attributes
// and security, as the Linux side keeps its mode) or, for a new file or a replacement that
// failed halfway, MoveFileExW. Errors are told as the C runtime's errno values, so the user
// reads the same reasons as on Linux.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cerrno>
#include <string>
#include <utility>

#include "core/files/atomic_file.h"
#include "core/files/atomic_file_steps.h"
#include "core/files/atomic_file_win32.h"
#include "core/files/win32_errno.h"

namespace brisvel {
namespace {

using detail::kCannotCreate;
using detail::PlacingCalls;

}  // namespace

// The read-only attribute, the file's security and another program holding it without
// sharing all refuse the open. Nothing is truncated.
int detail::OpenToWrite(const std::filesystem::path& path) {
  return ::_wopen(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
}

int detail::CreateNewFile(const std::filesystem::path& path) {
  return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
}

bool detail::FlushToDisk(int fd) { return ::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(fd))) != 0; }

void detail::RemoveFile(const std::filesystem::path& path) { ::DeleteFileW(path.c_str()); }

namespace {

class NewContent : public detail::TempFile {
 public:
  using TempFile::TempFile;

  // A new file's move is written through, on the disk when it returns as the folder sync makes
  // it on Linux; ReplaceFileW has no such flag, the price of keeping the target's attributes.
  void ReplaceTarget(const std::filesystem::path& target, const PlacingCalls& calls) {
    const bool is_new = ::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (is_new ? MoveOver(target, calls)
               : calls.replace_file(target.c_str(), path_.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                                    nullptr)) {
      path_.clear();
      return;
    }
    const DWORD error = ::GetLastError();
    if (!is_new && LeftTheTargetGone(error)) return MoveOverInstead(target, calls);
    throw FileError(shown_path_, ErrnoFromWin32(error), kCannotCreate);
  }

 private:
  bool MoveOver(const std::filesystem::path& target, const PlacingCalls& calls) const {
    return calls.move_file(path_.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }

  // Without a backup name, these failures have already deleted the target (1176) or moved it
  // to a name of the system's choosing (1177); the new content, still under its temporary
  // name, is then the only copy.
  static bool LeftTheTargetGone(DWORD error) {
    return error == ERROR_UNABLE_TO_MOVE_REPLACEMENT || error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2;
  }

  // The only copy is never deleted: should the move fail too, it stays, and the error says where.
  void MoveOverInstead(const std::filesystem::path& target, const PlacingCalls& calls) {
    const bool moved = MoveOver(target, calls);
    const DWORD error = ::GetLastError();
    const std::filesystem::path kept = std::exchange(path_, {});
    if (moved) return;
    const UserError failed = FileError(shown_path_, ErrnoFromWin32(error), kCannotCreate);
    throw UserError(std::string(failed.what()) + "\n新しい内容は " + kept.string() + " に残してあります");
  }
};

}  // namespace

namespace detail {

void ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes, const PlacingCalls& calls) {
  const std::filesystem::path target = FollowLinks(path);
  RefuseNonRegularTarget(target, path);
  CheckTargetWritable(target, path);
  NewContent temp(target, path);
  temp.Write(bytes);
  temp.ReplaceTarget(target, calls);
}

}  // namespace detail

void ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  detail::ReplaceFileAtomically(path, bytes, PlacingCalls{});
}

}  // namespace brisvel
