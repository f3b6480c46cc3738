#pragma once
#include <QApplication>

namespace brisvel {

// Shows an error that escapes an event handler in the default error box and carries on,
// so one failed command never ends the program.
class Application : public QApplication {
  Q_OBJECT
 public:
  Application(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace brisvel
