#include "core/files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/files/atomic_file_steps.h"

namespace brisvel {
namespace {

using detail::kCannotCreate;
using detail::WriteError;

}  // namespace

// Opening asks what any other writer is asked: permission bits, ACLs, a read-only mount, the
// immutable flag and the security modules' open checks all count. access() would only
// forecast that answer; it misses the checks made at open (Landlock, AppArmor), and FUSE and
// network file systems may answer it apart from open. No O_TRUNC, so nothing changes;
// O_NONBLOCK keeps a FIFO or a file under a lease from holding the save up.
int detail::OpenToWrite(const std::filesystem::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// 0666 leaves a new file's mode to the umask, as for any file the user creates (mkstemp
// would fix it at 0600).
int detail::CreateNewFile(const std::filesystem::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
}

bool detail::FlushToDisk(int fd) { return ::fsync(fd) == 0; }

void detail::RemoveFile(const std::filesystem::path& path) { ::unlink(path.c_str()); }

namespace {

class NewContent : public detail::TempFile {
 public:
  using TempFile::TempFile;

  void CopyModeOf(const std::filesystem::path& target) {
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) return;  // a new file
    if (::fchmod(fd_, status.st_mode & 07777) != 0) throw FileError(shown_path_, errno, kCannotCreate);
  }

  void RenameOver(const std::filesystem::path& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) throw FileError(shown_path_, errno, kCannotCreate);
    path_.clear();
  }
};

// Makes the rename itself survive a power cut. A file system that cannot sync folders says
// EINVAL; the file's own data is synced by then.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) throw WriteError();
  const bool synced = ::fsync(fd) == 0 || errno == EINVAL;
  ::close(fd);
  if (!synced) throw WriteError();
}

}  // namespace

void ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path target = detail::FollowLinks(path);
  detail::RefuseNonRegularTarget(target, path);
  detail::CheckTargetWritable(target, path);
  NewContent temp(target, path);
  temp.CopyModeOf(target);
  temp.Write(bytes);
  temp.RenameOver(target);
  SyncFolder(target.parent_path());
}

}  // namespace brisvel
