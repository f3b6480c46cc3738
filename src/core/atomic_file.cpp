#include "core/atomic_file.h"

#include <cerrno>
#include <random>
#include <system_error>

#include "core/atomic_file_steps.h"
#include "core/file_descriptor.h"
#include "core/file_io.h"

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

void RefuseNonRegularTarget(const std::filesystem::path& target, const std::filesystem::path& shown_path) {
  using std::filesystem::file_type;
  // A target that cannot be looked at (file_type::none) is left to the steps that open it.
  std::error_code unknown;
  switch (std::filesystem::status(target, unknown).type()) {
    case file_type::regular:
    case file_type::not_found:
    case file_type::none:
      return;
    case file_type::directory:
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

CreatedFile CreateFileBeside(const std::filesystem::path& target, const std::filesystem::path& shown_path) {
  for (int attempt = 0;; ++attempt) {
    std::filesystem::path path = target.parent_path() / TempFileName();
    const int fd = CreateNewFile(path);
    if (fd >= 0) return {std::move(path), fd};
    if (errno != EEXIST || attempt == kMaxNameAttempts) throw FileError(shown_path, errno, kCannotCreate);
  }
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
