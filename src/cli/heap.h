#pragma once

namespace brisvel::cli {

// Gives the memory of freed objects back to the system. The C library keeps it for the next
// allocation, but a large one (a file read whole) is mapped apart and never reuses it.
void ReleaseFreedHeap();

}  // namespace brisvel::cli
