#pragma once
// Whole-file replacement that a crash, a full disk or a killed process cannot leave
// half-written. Errors carry the texts the tool shows.
#include <filesystem>
#include <string_view>

#include "core/errors.h"

namespace brisvel {

// Writes `bytes` to a new file beside the target, syncs it and renames it over the target, so
// readers see the old file or the whole new one. A target that is not a regular file (a
// device, a FIFO, a socket, a folder, or a link to one) is refused, never replaced. An existing
// file that the user could not open for writing is left alone, as an editor writing in place
// would have to; one that can be written keeps its permission bits. A symbolic link keeps
// pointing where it did and the file it names is replaced. On failure the target is untouched,
// no temporary file is left and a UserError says why.
void ReplaceFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Throws the UserError that ReplaceFileAtomically would throw before writing anything: for a
// target that is not a regular file, one the user could not open for writing, or a folder no
// file can be made in (absent, write-protected, read-only). For a writer that must know before
// it starts work it cannot redo.
void CheckReplaceable(const std::filesystem::path& path);

// Writes a command's output file. A device, a FIFO or a terminal (/dev/null, /dev/stdout, or a
// link to one) takes the bytes in place, as a shell's redirection would give them; any other
// target is replaced atomically, which refuses a folder.
void WriteOutputFile(const std::filesystem::path& path, std::string_view bytes);

// `ファイル "<full path>". <system's reason> <what_failed>`.
UserError FileError(const std::filesystem::path& path, int error, std::string_view what_failed);
UserError FileError(const std::filesystem::path& path, std::string_view reason, std::string_view what_failed);

}  // namespace brisvel
