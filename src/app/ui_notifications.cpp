#include "app/ui_notifications.h"

#include <QApplication>
#include <QMessageBox>

#include "app/prompts.h"
#include "serial_qt/qt_notification_window.h"

namespace brisvel {
namespace {

void ShowHandlerError(const std::string& message) { prompts().showDefaultError(QString::fromStdString(message)); }

// The component's debug reports: a plain box with the application title.
void ShowDebugMessage(const std::string& message) {
  QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, QString::fromStdString(message), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

}  // namespace

std::unique_ptr<serial::NotificationWindow> MakeUiNotificationWindow() {
  return std::make_unique<serial_qt::QtNotificationWindow>(ShowHandlerError, ShowDebugMessage);
}

}  // namespace brisvel
