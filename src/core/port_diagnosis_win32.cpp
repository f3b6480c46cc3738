#include "core/port_diagnosis.h"

namespace brisvel {

// A COM port has no path to inspect, no groups and no process list a user program may read
// without privileges: the kind of the failure (not found, in use, access denied) is all the
// system tells, and the words for it are the portable ones.
PortFacts GatherPortFacts(const PortFailure&) { return {}; }

}  // namespace brisvel
