#pragma once
// A Win32 error code as the C runtime's errno, so the user reads the same reasons on Windows
// as on Linux (std::generic_category's texts).

namespace brisvel {

int ErrnoFromWin32(unsigned long error);

}  // namespace brisvel
