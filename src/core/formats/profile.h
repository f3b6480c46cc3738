#pragma once
// A settings profile read and written the way the Windows profile (INI) functions do:
// section and key names match case-insensitively, blanks around names and values are
// trimmed, a value in matching quotes is unquoted, and writing a value keeps every
// other line of the file as it was. Values are bytes (Shift-JIS), never converted.
// Windows uses this reader too, not GetPrivateProfileString/WritePrivateProfileString: one
// reader keeps the rules in one place and the files saved atomically on both systems, and
// wine's WritePrivateProfileString rewrites the whole file (headers normalised, blank lines
// dropped), so under wine those functions could not even show what Windows keeps.
#include <filesystem>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace brisvel::profile {

// The longest value a read returns; the Windows read buffer holds 2048 bytes with its NUL.
inline constexpr size_t kMaxValueBytes = 2047;

std::string ReadString(std::string_view file_text, std::string_view section,
                       std::string_view key, std::string_view default_value);

// Returns the file text with `key` in `section` set to `value`; section and key are
// appended when absent.
std::string WriteString(std::string_view file_text, std::string_view section,
                        std::string_view key, std::string_view value);

struct FileValue {
  std::string value;
  // Why the file was passed over, for the user; empty when it was read or is not there.
  std::string problem;
};

// File forms. A missing or unreadable file reads as empty; so does one that is not a regular
// file (a FIFO, a device, a folder), which the read reports too. Writing replaces the file
// atomically; it throws UserError when the file cannot be written.
FileValue ReadFileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                         std::string_view default_value);
void WriteFileString(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::string_view value);

}  // namespace brisvel::profile
