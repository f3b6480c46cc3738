#pragma once
// The registration window: the code list, the port box and the Add, Save and Load commands.
#include <QFileDialog>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "app/code_list_model.h"
#include "serial/notification_window.h"

class QComboBox;
class QGroupBox;
class QPushButton;
class QTreeView;

namespace brisvel {

// Where the window finds its settings file and the machine's serial ports; tests point
// them at temporary files and fixed lists.
struct RegisterFormEnvironment {
  QString settings_path;
  std::function<std::vector<std::string>()> list_ports;
  std::function<std::unique_ptr<serial::NotificationWindow>()> make_notifications;
  int capture_timeout_ms = 30000;  // tests shorten the wait for a silent unit

  // "brisvel.ini" beside the executable, the ports the kernel knows, Qt's event loop.
  static RegisterFormEnvironment ForThisMachine();
};

class TRegisterForm : public QWidget {
  Q_OBJECT

 public:
  explicit TRegisterForm(RegisterFormEnvironment environment = RegisterFormEnvironment::ForThisMachine(),
                         QWidget* parent = nullptr);

  CodeListModel& codeList() { return m_codeList; }
  QString portText() const;

  QGroupBox* DefinedGroupBox;
  QTreeView* DataListView;
  QComboBox* COMCombo;
  QPushButton* AddButton;
  QPushButton* SaveButton;
  QPushButton* LoadButton;
  QFileDialog* SaveCSVDialog;
  QFileDialog* OpenCSVDialog;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();
  void connectHandlers();
  void FormCreate();
  void FormClose();
  void AddButtonClick();
  void SaveButtonClick();
  void LoadButtonClick();
  std::optional<QString> chooseCodeListFile(QFileDialog& dialog);
  void nameRefused(const QString& text);

  RegisterFormEnvironment m_environment;
  CodeListModel m_codeList;
};

}  // namespace brisvel
