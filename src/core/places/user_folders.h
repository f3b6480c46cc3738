#pragma once
#include <filesystem>

namespace brisvel {

// The user's folder for this tool's state that outlives a run but is no document: the
// recovery files. $XDG_STATE_HOME/brisvelremo (default ~/.local/state/brisvelremo) on Linux,
// %LOCALAPPDATA%\BrisvelRemo on Windows.
std::filesystem::path UserStateFolder();

}  // namespace brisvel
