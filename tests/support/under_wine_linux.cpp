#include "under_wine.h"

namespace brisvel::testing_support {

bool UnderWine() { return false; }

}  // namespace brisvel::testing_support
