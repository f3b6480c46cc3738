#pragma once
// Threads the program itself started, for comparing counts before and after: a change is a
// serial monitor thread started or left behind.
#include <cstddef>

namespace brisvel::testing_support {

// Linux: threads that carry the program's own name (Qt names its helper threads, which come
// and go as they please; a monitor thread is an unnamed one). Windows: threads begun through
// the C runtime, as std::thread begins them.
size_t UnnamedThreadCount();

}  // namespace brisvel::testing_support
