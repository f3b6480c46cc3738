#pragma once
// The serial link's hand-over on a Qt event loop: notifications become posted events of a
// QObject living on the UI thread, so deleting it drops those still pending.

#include <QObject>

#include <functional>
#include <string>

#include "serial/notification_window.h"

namespace brisvel::serial_qt {

class QtNotificationWindow : public QObject, public serial::NotificationWindow {
 public:
  // onHandlerError receives what a handler raised; onDebugMessage the component's debug
  // reports. Construct on the UI thread.
  QtNotificationWindow(Reporter onHandlerError, Reporter onDebugMessage);

  void setReceiver(Receiver receiver) override;
  void post(int id) override;
  void showMessage(const std::string& utf8Message) override;

 protected:
  bool event(QEvent* e) override;

 private:
  Receiver receiver_;
  Reporter onHandlerError_;
  Reporter onDebugMessage_;
};

}  // namespace brisvel::serial_qt
