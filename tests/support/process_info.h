#pragma once
// What a test may ask about its own process, on either system.

namespace brisvel::testing_support {

// Threads of this process, for comparing counts before and after: on Windows only those that
// std::thread started.
int ThreadCount();

// Whether this Windows program runs under wine; always false elsewhere. Only for the few
// checks where wine is known to behave unlike Windows, each saying how.
bool UnderWine();

}  // namespace brisvel::testing_support
