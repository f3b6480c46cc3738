#include "core/atomic_file.h"

#include <cerrno>
#include <random>
#include <system_error>

#include "core/atomic_file_steps.h"

namespace brisvel {

namespace detail {

namespace {
constexpr int kMaxLinkHops = 40;  // Linux's own limit
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

std::string TempFileName() {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  std::uniform_int_distribution<size_t> pick(0, kLetters.size() - 1);
  std::string name = ".brisvel-";
  for (int i = 0; i < 6; ++i) name += kLetters[pick(random)];
  return name + ".tmp";
}

}  // namespace detail

UserError FileError(const std::filesystem::path& path, int error, std::string_view what_failed) {
  std::error_code no_cwd;
  const std::filesystem::path full = std::filesystem::absolute(path, no_cwd);
  return UserError("ファイル \"" + (no_cwd ? path : full).string() + "\". " +
                   std::generic_category().message(error) + " " + std::string(what_failed));
}

}  // namespace brisvel
