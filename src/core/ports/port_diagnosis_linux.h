#pragma once
// The Linux facts behind a port failure: stat of the path, the group file and this login's
// groups for a refused open, /proc for the processes holding a busy device, sysfs for the
// udev rule that keeps ModemManager off an adapter.
#include "core/ports/port_diagnosis.h"
#include "core/ports/system_files_linux.h"

namespace brisvel {

PortFacts GatherPortFacts(const PortFailure& failure, const SystemRoots& roots);

}  // namespace brisvel
