#pragma once
// The serial link's notifications delivered on Qt's event loop, with a handler's error
// and the component's debug reports shown in the application's boxes.
#include <memory>

#include "serial/notification_window.h"

namespace brisvel {

std::unique_ptr<serial::NotificationWindow> MakeUiNotificationWindow();

}  // namespace brisvel
