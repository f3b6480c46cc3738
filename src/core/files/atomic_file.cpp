#include "core/files/atomic_file.h"

#include <cerrno>
#include <random>
#include <span>
#include <system_error>
#include <utility>

#include "core/files/atomic_file_steps.h"
#include "core/files/file_descriptor.h"
#include "core/files/file_io.h"

namespace brisvel {

namespace detail {

namespace {
constexpr int kMaxLinkHops = 40;  // Linux's own limit
constexpr int kMaxNameAttempts = 100;
}  // namespace

UserError WriteError() { return UserError("ストリームへの書き込みエラー"); }

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

// What a writer finds at a path, links followed. One that cannot be looked at
// (file_type::none) is left to the steps that open it, as a file.
TargetKind KindOfTarget(const std::filesystem::path& target) {
  using std::filesystem::file_type;
  std::error_code unknown;
  switch (std::filesystem::status(target, unknown).type()) {
    case file_type::regular:
    case file_type::not_found:
    case file_type::none:
      return TargetKind::File;
    case file_type::directory:
      return TargetKind::Folder;
    case file_type::character:
    case file_type::block:
    case file_type::fifo:
    case file_type::socket:
      return TargetKind::Stream;
    default:
      return TargetKind::Other;
  }
}

void RefuseNonRegularTarget(const std::filesystem::path& target, const std::filesystem::path& shown_path) {
  switch (KindOfTarget(target)) {
    case TargetKind::File:
      return;
    case TargetKind::Folder:
      throw FileError(shown_path, EISDIR, kCannotCreate);
    default:
      // Not an errno: Windows' C runtime has no text for ENOTSUP.
      throw FileError(shown_path, "Not a regular file", kCannotCreate);
  }
}

std::string TempFileName() {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  std::uniform_int_distribution<size_t> pick(0, kLetters.size() - 1);
  std::string name = ".brisvel-";
  for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
  return name + ".tmp";
}

void CheckTargetWritable(const std::filesystem::path& target, const std::filesystem::path& shown_path) {
  const FileDescriptor file(OpenToWrite(target));
  if (file.get() < 0 && errno != ENOENT) throw FileError(shown_path, errno, kCannotCreate);
}

TempFile::TempFile(const std::filesystem::path& target, const std::filesystem::path& shown_path)
    : shown_path_(shown_path) {
  for (int attempt = 0;; ++attempt) {
    path_ = target.parent_path() / TempFileName();
    fd_ = CreateNewFile(path_);
    if (fd_ >= 0) return;
    if (errno != EEXIST || attempt == kMaxNameAttempts) throw FileError(shown_path_, errno, kCannotCreate);
  }
}

TempFile::~TempFile() {
  if (fd_ >= 0) CloseDescriptor(fd_);
  if (!path_.empty()) RemoveFile(path_);
}

void TempFile::Write(std::string_view bytes) {
  if (WriteAll(fd_, std::as_bytes(std::span(bytes))) != 0) throw WriteError();
  if (!FlushToDisk(fd_)) throw WriteError();
  if (CloseDescriptor(std::exchange(fd_, -1)) != 0) throw WriteError();
}

}  // namespace detail

void CheckReplaceable(const std::filesystem::path& path) {
  const std::filesystem::path target = detail::FollowLinks(path);
  detail::RefuseNonRegularTarget(target, path);
  std::error_code unknown;
  int error = std::filesystem::exists(target, unknown) ? WriteInPlace(target, {}) : 0;
  if (error == 0) error = ProbeCreate(target.parent_path() / detail::TempFileName());
  if (error != 0) throw FileError(path, error, detail::kCannotCreate);
}

void WriteOutputFile(const std::filesystem::path& path, std::string_view bytes) {
  if (detail::KindOfTarget(path) != detail::TargetKind::Stream) return ReplaceFileAtomically(path, bytes);
  if (const int error = WriteInPlace(path, std::as_bytes(std::span(bytes)))) throw FileError(path, error, "に書き込めません");
}

UserError FileError(const std::filesystem::path& path, std::string_view reason, std::string_view what_failed) {
  std::error_code no_cwd;
  const std::filesystem::path full = std::filesystem::absolute(path, no_cwd);
  return UserError("ファイル \"" + (no_cwd ? path : full).string() + "\". " + std::string(reason) + " " +
                   std::string(what_failed));
}

UserError FileError(const std::filesystem::path& path, int error, std::string_view what_failed) {
  return FileError(path, std::generic_category().message(error), what_failed);
}

}  // namespace brisvel
