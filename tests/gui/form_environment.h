#pragma once
// The registration window's surroundings for a test: settings in a temporary folder, a
// fixed port list, and the serial notifications on Qt's event loop.
#include <QTemporaryDir>

#include "app/register_main.h"
#include "app/ui_notifications.h"
#include "port_infos.h"

namespace brisvel::testing_support {

inline RegisterFormEnvironment FormEnvironment(const QTemporaryDir& dir,
                                               std::vector<std::string> ports = {"/dev/ttyS0", "/dev/ttyUSB0"},
                                               int capture_timeout_ms = 30000) {
  return {{dir.filePath("brisvel.ini").toStdString(), [ports = PortsAt(ports)] { return ports; }, capture_timeout_ms,
           dir.filePath("state").toStdString()},
          MakeUiNotificationWindow};
}

}  // namespace brisvel::testing_support
