#include "core/files/file_identity.h"

#include <cstring>
#include <system_error>

#include "core/files/file_io.h"

namespace brisvel {
namespace {

constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15ull;

std::uint64_t Mix(std::uint64_t hash, std::uint64_t word) {
  hash = (hash ^ word) * kMultiplier;
  return hash ^ (hash >> 29);
}

std::optional<long long> ModifiedTicks(const std::filesystem::path& file) {
  std::error_code error;
  const auto time = std::filesystem::last_write_time(file, error);
  if (error) return std::nullopt;
  return static_cast<long long>(time.time_since_epoch().count());
}

}  // namespace

// Eight bytes a step: a 50 MB list hashes in a few milliseconds.
std::uint64_t ContentHash(std::string_view bytes) {
  std::uint64_t hash = Mix(0x6a09e667f3bcc909ull, bytes.size());
  size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + at, 8);
    hash = Mix(hash, word);
  }
  std::uint64_t tail = 0;
  if (at < bytes.size()) std::memcpy(&tail, bytes.data() + at, bytes.size() - at);
  return Mix(hash, tail);
}

std::optional<FileIdentity> FileIdentity::Of(const std::filesystem::path& file) {
  const auto modified = ModifiedTicks(file);
  if (!modified) return std::nullopt;
  try {
    const WholeFile content(file);
    return FileIdentity{content.bytes().size(), *modified, ContentHash(content.bytes())};
  } catch (const std::system_error&) {
    return std::nullopt;
  }
}

bool FileIdentity::heldBy(const std::filesystem::path& file) const {
  std::error_code error;
  if (std::filesystem::file_size(file, error) != size || error) return false;
  if (ModifiedTicks(file) == modified) return true;
  const auto now = Of(file);
  return now && now->size == size && now->hash == hash;
}

}  // namespace brisvel
