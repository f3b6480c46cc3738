#include <malloc.h>

#include "cli/heap.h"

namespace brisvel::cli {

void ReleaseFreedHeap() { ::_heapmin(); }

}  // namespace brisvel::cli
