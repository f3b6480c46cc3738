#pragma once
// The only errors the component raises: its monitor thread could not be created or awaited.

#include <stdexcept>
#include <string>

namespace brisvel::serial {

class ThreadError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;

  // UTF-8 messages; reason is the system's text.
  static ThreadError creation(const std::string& reason) {
    return ThreadError("スレッド作成エラー：" + reason);
  }
  static ThreadError failure(const std::string& reason, int code) {
    return ThreadError("スレッドエラー：" + reason + " (" + std::to_string(code) + ")");
  }
};

}  // namespace brisvel::serial
