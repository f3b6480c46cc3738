#include <malloc.h>

#include "cli/heap.h"

namespace brisvel::cli {

void ReleaseFreedHeap() { ::malloc_trim(0); }

}  // namespace brisvel::cli
