#include "serial_qt/qt_notification_window.h"

#include <QCoreApplication>
#include <QEvent>

namespace brisvel::serial_qt {

namespace {

const QEvent::Type kNotificationEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class NotificationEvent : public QEvent {
 public:
  explicit NotificationEvent(int id) : QEvent(kNotificationEvent), id_(id) {}
  int id() const { return id_; }

 private:
  int id_;
};

}  // namespace

QtNotificationWindow::QtNotificationWindow(Reporter onHandlerError, Reporter onDebugMessage)
    : onHandlerError_(std::move(onHandlerError)), onDebugMessage_(std::move(onDebugMessage)) {}

void QtNotificationWindow::setReceiver(Receiver receiver) { receiver_ = std::move(receiver); }

// postEvent is thread-safe and keeps posting order per receiver.
void QtNotificationWindow::post(int id) {
  QCoreApplication::postEvent(this, new NotificationEvent(id));
}

void QtNotificationWindow::showMessage(const std::string& utf8Message) {
  if (onDebugMessage_) onDebugMessage_(utf8Message);
}

bool QtNotificationWindow::event(QEvent* e) {
  if (e->type() != kNotificationEvent) return QObject::event(e);
  Deliver(receiver_, static_cast<NotificationEvent*>(e)->id(), onHandlerError_);
  return true;
}

}  // namespace brisvel::serial_qt
