#pragma once
// Writers of one code-list file take turns: each holds an exclusive advisory lock on the file
// while it reads it again and replaces it, so no writer saves over rows another has added.
// The lock is on the file the path names when it is granted: a writer that waited on a file
// its predecessor has since replaced tries again on the new one. The lock is the system's
// (file_lock_<system>.cpp) and ends with the object or the process.
#include <filesystem>

namespace brisvel::cli {

class FileLock {
 public:
  // Waits for the lock. A file not there yet is made, empty, to hold it. Throws the UserError
  // to show when the file cannot be opened.
  explicit FileLock(const std::filesystem::path& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  void* handle_;  // the system's handle of the locked file
};

}  // namespace brisvel::cli
