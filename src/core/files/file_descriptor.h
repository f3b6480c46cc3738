#pragma once
// A descriptor (on Windows, a C runtime one) closed however its scope ends.

namespace brisvel {

// The system's close; returns 0 or -1 with errno set.
int CloseDescriptor(int fd);

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) CloseDescriptor(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace brisvel
