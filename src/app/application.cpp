#include "app/application.h"

#include <exception>

#include "app/prompts.h"

namespace brisvel {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  // The name alone: the task bar takes it from WM_CLASS, while a display name would make
  // the platform append " — BrisvelRemo" to every window's caption.
  setApplicationName(kApplicationTitle);
  setApplicationVersion(QStringLiteral("0.1.0.9"));
  // Ties the window to its desktop entry, for its icon and name on Wayland.
  setDesktopFileName(QStringLiteral(BRISVEL_APP_ID));
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    prompts().showDefaultError(QString::fromUtf8(error.what()));
  }
  return false;
}

}  // namespace brisvel
