#pragma once
// The registration window: the code list, the port box and the Add, Save and Load buttons.
// Each handler forwards to the command layer; the window only shows what it is asked to.
#include <QFileDialog>
#include <QWidget>

#include <functional>
#include <memory>

#include "app/code_list_model.h"
#include "commands/code_view.h"
#include "commands/registration.h"
#include "serial/notification_window.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace brisvel {

struct RegisterFormEnvironment {
  CommandEnvironment commands;
  std::function<std::unique_ptr<serial::NotificationWindow>()> make_notifications;

  // The settings and ports of this machine, notifications on Qt's event loop.
  static RegisterFormEnvironment ForThisMachine();
};

class FormUserInterface;
class CodeViewWindow;

class TRegisterForm : public QWidget {
  Q_OBJECT

 public:
  explicit TRegisterForm(RegisterFormEnvironment environment = RegisterFormEnvironment::ForThisMachine(),
                         QWidget* parent = nullptr);
  ~TRegisterForm() override;

  Registration& commands() { return *m_commands; }
  // The list's commands, in its context menu and on their keys.
  QAction* DeleteAction;
  QAction* MoveUpAction;
  QAction* MoveDownAction;
  QAction* UndoAction;
  QAction* RedoAction;
  QAction* CopyAction;
  QAction* ViewAction;
  // Sends the selected row from the output last used; the menu offers each output.
  QAction* SendAction;
  QList<QAction*> OutputActions;  // 出力 1 … 出力 4
  // Says at the row that its code went out, for a moment.
  void showSent(std::size_t row, const QString& text);
  CodeViewWindow* codeView() const { return m_codeView; }
  // The port to open and remember: a listed port by its path (the box shows its short
  // name), anything typed as it stands.
  QString portText() const;
  // Item data of the port box: the path (Qt::UserRole), and the label the drop-down shows.
  static constexpr int kPortLabelRole = Qt::UserRole + 1;

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
  void FormClose(QCloseEvent* action);
  void AddButtonClick();
  void SaveButtonClick();
  void LoadButtonClick();
  void createListActions();
  void showListMenu(const QPoint& position);
  bool textFieldTakes(void (QLineEdit::*edit)());
  std::optional<std::size_t> selectedRow() const;
  void selectRow(std::optional<std::size_t> row);
  void createSendActions();
  void sendSelectedRow(int output);
  void openCodeView();
  void refreshCodeView();
  CodeView selectedView() const;
  void onSelectedRow(std::optional<std::size_t> (Registration::*command)(std::size_t));

  RegisterFormEnvironment m_environment;
  std::unique_ptr<FormUserInterface> m_ui;
  std::unique_ptr<Registration> m_commands;
  std::unique_ptr<CodeListModel> m_codeList;
  CodeViewWindow* m_codeView = nullptr;
};

}  // namespace brisvel
