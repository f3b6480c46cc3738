#pragma once
// Errors a command reports to the user. Messages are UTF-8 and are shown as they stand.
#include <stdexcept>
#include <string>

namespace brisvel {

class UserError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised when a row's data text (or a file's token) that should be there is not.
class ListIndexError : public UserError {
 public:
  explicit ListIndexError(long long index)
      : UserError("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")"),
        index_(index) {}
  long long index() const { return index_; }

 private:
  long long index_;
};

}  // namespace brisvel
