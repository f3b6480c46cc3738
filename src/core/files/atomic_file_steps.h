#pragma once
// The parts of ReplaceFileAtomically that every system shares.
#include <filesystem>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace brisvel::detail {

inline constexpr std::string_view kCannotCreate = "を作成できません";

UserError WriteError();

// Renaming over a symbolic link would turn the link into a plain file.
std::filesystem::path FollowLinks(const std::filesystem::path& path);

enum class TargetKind { File, Folder, Stream, Other };  // Stream: a device, a FIFO, a socket
TargetKind KindOfTarget(const std::filesystem::path& target);

// Renaming over a device, a FIFO, a socket or a folder would put a plain file in its place
// (for root, even /dev/null's). Throws the FileError that refuses such a target; a target not
// there yet is a new file.
void RefuseNonRegularTarget(const std::filesystem::path& target, const std::filesystem::path& shown_path);

// Short whatever the target's length, since a target name as long as the folder allows leaves
// no room for a suffix; random, so that the name a killed save left behind is rarely tried
// again.
std::string TempFileName();

// The system's own opens, each returning a descriptor or -1 with errno set: an existing file
// for writing, changing nothing; a new file, which must not exist yet.
int OpenToWrite(const std::filesystem::path& path);
int CreateNewFile(const std::filesystem::path& path);
// Puts what was written to the descriptor on the disk; false when it could not.
bool FlushToDisk(int fd);
void RemoveFile(const std::filesystem::path& path);

// Replacing a file needs leave only from its folder, so without this a save would replace a
// file the user has write-protected: opening it for writing asks what any other writer is
// asked. Throws the FileError that refuses it; a file that is not there yet is a new one.
void CheckTargetWritable(const std::filesystem::path& target, const std::filesystem::path& shown_path);

// The new content: a file in the target's folder under a name no file has, so that putting it
// in place stays within one file system. Removed again unless it took the target's place,
// which the system's own subclass does.
class TempFile {
 public:
  // Throws the FileError when no file can be made there.
  TempFile(const std::filesystem::path& target, const std::filesystem::path& shown_path);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Writes the bytes, puts them on the disk and closes the file.
  void Write(std::string_view bytes);

 protected:
  std::filesystem::path shown_path_;
  std::filesystem::path path_;  // empty once in place
  int fd_ = -1;
};

}  // namespace brisvel::detail
