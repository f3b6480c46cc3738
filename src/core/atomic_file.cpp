#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <string>
#include <system_error>

#include "core/file_io.h"

namespace brisvel {
namespace {

constexpr std::string_view kCannotCreate = "を作成できません";
constexpr int kMaxLinkHops = 40;  // the kernel's own limit
constexpr int kMaxNameAttempts = 100;

UserError WriteError() { return UserError("ストリームへの書き込みエラー"); }

// Renaming over a symbolic link would turn the link into a plain file.
std::filesystem::path FollowLinks(const std::filesystem::path& path) {
  std::filesystem::path target = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    std::error_code not_a_link;
    const std::filesystem::path next = std::filesystem::read_symlink(target, not_a_link);
    if (not_a_link) return target;
    target = target.parent_path() / next;
  }
  throw FileError(path, ELOOP, kCannotCreate);
}

// Renaming over a file needs leave only from its folder, so without this a save would replace
// a file the user has write-protected. Opening it for writing asks what any other writer is
// asked: permission bits, ACLs, a read-only mount, the immutable flag and the security
// modules' open checks all count. access() would only forecast that answer; it misses the
// checks made at open (Landlock, AppArmor), and FUSE and network file systems may answer it
// apart from open. No O_TRUNC, so nothing changes; O_NONBLOCK keeps a FIFO or a file under a
// lease from holding the save up. A file that is not there yet is a new one.
void CheckTargetWritable(const std::filesystem::path& target, const std::filesystem::path& shown_path) {
  const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return;
  }
  if (errno != ENOENT) throw FileError(shown_path, errno, kCannotCreate);
}

// Short whatever the target's length, since a target name as long as the folder allows leaves
// no room for a suffix; random, so that the name a killed save left behind is rarely tried
// again. mkstemp would also do, but it fixes the mode at 0600 where a new file should get the
// umask's.
std::string TempFileName() {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  std::uniform_int_distribution<size_t> pick(0, kLetters.size() - 1);
  std::string name = ".brisvel-";
  for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
  return name + ".tmp";
}

// The new content, beside the target so that the rename stays within one file system.
// Removed again unless it was renamed into place.
class TempFile {
 public:
  TempFile(const std::filesystem::path& target, const std::filesystem::path& shown_path)
      : shown_path_(shown_path) {
    for (int attempt = 0;; ++attempt) {
      path_ = target.parent_path() / TempFileName();
      // 0666 leaves a new file's mode to the umask, as for any file the user creates.
      fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) return;
      if (errno != EEXIST || attempt == kMaxNameAttempts) {
        const int error = errno;
        path_.clear();
        throw FileError(shown_path_, error, kCannotCreate);
      }
    }
  }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  void CopyModeOf(const std::filesystem::path& target) {
    struct stat status {};
    if (::stat(target.c_str(), &status) != 0) return;  // a new file
    if (::fchmod(fd_, status.st_mode & 07777) != 0) throw FileError(shown_path_, errno, kCannotCreate);
  }

  void Write(std::string_view bytes) {
    if (WriteAll(fd_, std::as_bytes(std::span(bytes))) != 0) throw WriteError();
    if (::fsync(fd_) != 0) throw WriteError();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw WriteError();
  }

  void RenameOver(const std::filesystem::path& target) {
    if (::rename(path_.c_str(), target.c_str()) != 0) throw FileError(shown_path_, errno, kCannotCreate);
    path_.clear();
  }

 private:
  std::filesystem::path shown_path_;
  std::filesystem::path path_;
  int fd_ = -1;
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

UserError FileError(const std::filesystem::path& path, int error, std::string_view what_failed) {
  std::error_code no_cwd;
  const std::filesystem::path full = std::filesystem::absolute(path, no_cwd);
  return UserError("ファイル \"" + (no_cwd ? path : full).string() + "\". " +
                   std::generic_category().message(error) + " " + std::string(what_failed));
}

void ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path target = FollowLinks(path);
  CheckTargetWritable(target, path);
  TempFile temp(target, path);
  temp.CopyModeOf(target);
  temp.Write(bytes);
  temp.RenameOver(target);
  SyncFolder(target.parent_path());
}

}  // namespace brisvel
