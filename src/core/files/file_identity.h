#pragma once
// What a file held when the program last read or wrote it, to tell later whether another
// program has changed it since. Size and time answer at once; the content hash decides when
// only the time moved (a `touch`, a copy that kept the bytes).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace brisvel {

// A fast 64-bit hash of bytes, for telling contents apart (not against an adversary).
std::uint64_t ContentHash(std::string_view bytes);

struct FileIdentity {
  std::uintmax_t size = 0;
  long long modified = 0;  // the file system's time stamp, in its own ticks
  std::uint64_t hash = 0;

  // Nothing when the file cannot be read.
  static std::optional<FileIdentity> Of(const std::filesystem::path& file);
  // Whether `file` still holds the bytes this identity was taken of.
  bool heldBy(const std::filesystem::path& file) const;

  bool operator==(const FileIdentity&) const = default;
};

}  // namespace brisvel
