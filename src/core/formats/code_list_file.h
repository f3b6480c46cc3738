#pragma once
// The code-list file: one `"name","data"` line per entry, CR LF line ends, Shift-JIS bytes
// taken as they are. Reading is lenient (hand-written and spreadsheet files load too); writing
// makes every text read back byte for byte.
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/formats/code_entry.h"
#include "core/errors.h"
#include "core/files/file_io.h"

namespace brisvel {

// The file's bytes for a list. Throws ListIndexError(0) for a row without data. Throws
// std::invalid_argument for a text no file can hold, one with a NUL byte or ending in the first
// byte of a two-byte character; typing, capturing and loading never produce one.
std::string FormatCodeList(std::span<const CodeEntry> entries);

// The lines a NUL byte kept from being read: the text ends there, as it always has for the
// tool, so the line holding it (1-based) and every line after it are lost on saving.
struct UnreadLines {
  size_t first;
  size_t count;
};

// Every row a load completed, each with its data, and the error to show when the file ran out
// of fields before it ran out of lines.
struct LoadedCodeList {
  std::vector<CodeEntry> entries;
  std::optional<ListIndexError> error;
  std::optional<UnreadLines> unread;
};

LoadedCodeList ParseCodeList(std::string_view bytes);

// Replaces the file, or the file a symbolic link names, so that it is either the old file or
// the whole new one, even if the machine stops half-way. Throws ListIndexError(0) or a
// UserError with the text to show; on any failure the old file is left as it was.
void SaveCodeListFile(const std::filesystem::path& path, std::span<const CodeEntry> entries);

// Throws a UserError when the file cannot be opened or read.
LoadedCodeList LoadCodeListFile(const std::filesystem::path& path);

// A file's bytes, read whole. Throws the UserError the tool shows for a file it cannot open or
// read (a folder included).
WholeFile ReadWholeFile(const std::filesystem::path& path);

}  // namespace brisvel
