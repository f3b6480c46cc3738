#pragma once
// The two system calls that put a saved file's new content in place, given to the save so
// that tests can make them fail as only a Windows volume does: wine's ReplaceFileW cannot be
// made to fail halfway.
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string_view>

namespace brisvel::detail {

struct PlacingCalls {
  std::function<BOOL(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags, LPVOID, LPVOID)> replace_file =
      ::ReplaceFileW;
  std::function<BOOL(LPCWSTR from, LPCWSTR to, DWORD flags)> move_file = ::MoveFileExW;
};

// ReplaceFileAtomically with the given calls.
void ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes, const PlacingCalls& calls);

}  // namespace brisvel::detail
