#pragma once

namespace brisvel::testing_support {

// Whether this Windows program runs under wine; always false elsewhere. Only for the few
// checks where wine is known to behave unlike Windows, each saying how.
bool UnderWine();

}  // namespace brisvel::testing_support
