// The registration window (TRegisterForm) on Qt.
#include "app/register_main.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QToolTip>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <algorithm>

#include "app/code_view_window.h"
#include "app/form_style.h"
#include "app/form_user_interface.h"
#include "app/ui_notifications.h"

namespace brisvel {
namespace {

QPushButton* MakeButton(const QString& caption, QRect geometry, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

// The drop-down names each port in full; the 65-pixel box shows only its short name.
class PortLabelDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant label = index.data(TRegisterForm::kPortLabelRole);
    if (label.isValid()) option->text = label.toString();
  }
};

QFileDialog* MakeCodeListDialog(QFileDialog::AcceptMode mode, QWidget* parent) {
  auto* dialog = new QFileDialog(parent);
  dialog->setAcceptMode(mode);
  dialog->setNameFilter(QStringLiteral("csv (*.csv)"));
  // The open dialog takes a typed name of a missing file, so the load reports it.
  dialog->setFileMode(QFileDialog::AnyFile);
  dialog->setOption(QFileDialog::DontConfirmOverwrite);
  dialog->setOption(QFileDialog::ReadOnly, false);
  if (mode == QFileDialog::AcceptSave) dialog->setDefaultSuffix(QStringLiteral("csv"));
  return dialog;
}

}  // namespace

RegisterFormEnvironment RegisterFormEnvironment::ForThisMachine() {
  return {CommandEnvironment::ForThisMachine(), MakeUiNotificationWindow};
}

TRegisterForm::TRegisterForm(RegisterFormEnvironment environment, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_environment(std::move(environment)),
      m_ui(std::make_unique<FormUserInterface>(*this, m_environment.make_notifications)),
      m_commands(std::make_unique<Registration>(m_environment.commands, *m_ui)),
      m_codeList(std::make_unique<CodeListModel>(*m_commands)) {
  setObjectName(QStringLiteral("RegisterForm"));
  createControls();
  connectHandlers();
  FormCreate();
}

void TRegisterForm::createControls() {
  setWindowTitle(QStringLiteral("リモコンデータ登録"));
  setWindowIcon(FormIcon());
  setFont(FormFont());
  setFixedSize(379, 229);
  move(486, 391);

  DefinedGroupBox = new QGroupBox(QStringLiteral("ファイル"), this);
  DefinedGroupBox->setGeometry(5, 1, 369, 224);

  DataListView = new QTreeView(DefinedGroupBox);
  DataListView->setGeometry(8, 16, 353, 169);
  DataListView->setModel(m_codeList.get());
  DataListView->setRootIsDecorated(false);
  DataListView->setItemsExpandable(false);
  DataListView->setUniformRowHeights(true);  // keeps 100,000 rows as fast as ten
  DataListView->setSelectionMode(QAbstractItemView::SingleSelection);
  DataListView->setSelectionBehavior(QAbstractItemView::SelectRows);
  DataListView->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  QHeaderView* header = DataListView->header();
  header->setStretchLastSection(false);
  header->setMinimumSectionSize(20);
  header->resizeSection(CodeListModel::kNameColumn, 100);
  header->resizeSection(CodeListModel::kDataColumn, 1792);
  header->setSectionResizeMode(CodeListModel::kDataColumn, QHeaderView::Fixed);

  COMCombo = new QComboBox(DefinedGroupBox);
  COMCombo->setGeometry(16, 192, 65, 20);
  COMCombo->setEditable(true);
  COMCombo->setInsertPolicy(QComboBox::NoInsert);
  COMCombo->setItemDelegate(new PortLabelDelegate(COMCombo));

  AddButton = MakeButton(QStringLiteral("Add"), {88, 192, 81, 25}, DefinedGroupBox);
  SaveButton = MakeButton(QStringLiteral("Save"), {192, 192, 81, 25}, DefinedGroupBox);
  LoadButton = MakeButton(QStringLiteral("Load"), {280, 192, 81, 25}, DefinedGroupBox);
  setTabOrder(DataListView, LoadButton);
  setTabOrder(LoadButton, SaveButton);
  setTabOrder(SaveButton, COMCombo);
  setTabOrder(COMCombo, AddButton);

  createListActions();

  SaveCSVDialog = MakeCodeListDialog(QFileDialog::AcceptSave, this);
  OpenCSVDialog = MakeCodeListDialog(QFileDialog::AcceptOpen, this);
}

// The fixed layout leaves no room for more buttons: the list's own commands live in its
// context menu and on the keys desktop tools use for them.
void TRegisterForm::createListActions() {
  auto add = [this](const QString& text, QKeySequence::StandardKey key, auto handler) {
    auto* action = new QAction(text, DataListView);
    action->setShortcuts(key);
    action->setShortcutContext(Qt::WidgetShortcut);
    DataListView->addAction(action);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  DeleteAction = add(QStringLiteral("削除"), QKeySequence::Delete, [this] { onSelectedRow(&Registration::Delete); });
  MoveUpAction = add(QStringLiteral("上へ移動"), QKeySequence::UnknownKey, [this] { onSelectedRow(&Registration::MoveUp); });
  MoveUpAction->setShortcut(Qt::CTRL | Qt::Key_Up);
  MoveDownAction = add(QStringLiteral("下へ移動"), QKeySequence::UnknownKey, [this] { onSelectedRow(&Registration::MoveDown); });
  MoveDownAction->setShortcut(Qt::CTRL | Qt::Key_Down);
  UndoAction = add(QStringLiteral("元に戻す"), QKeySequence::Undo, [this] {
    if (!textFieldTakes(&QLineEdit::undo)) selectRow(m_commands->Undo());
  });
  RedoAction = add(QStringLiteral("やり直し"), QKeySequence::UnknownKey, [this] {
    if (!textFieldTakes(&QLineEdit::redo)) selectRow(m_commands->Redo());
  });
  RedoAction->setShortcuts({Qt::CTRL | Qt::Key_Y, Qt::CTRL | Qt::SHIFT | Qt::Key_Z});
  // The list's history is the window's: after Save or Load the focus is on a button.
  for (QAction* action : {UndoAction, RedoAction}) action->setShortcutContext(Qt::WindowShortcut);
  CopyAction = add(QStringLiteral("データをコピー"), QKeySequence::Copy, [this] {
    if (auto row = selectedRow()) m_commands->CopyData(*row);
  });
  // Enter opens the view; while a name is edited the editor has the focus and takes Enter.
  ViewAction = add(QStringLiteral("コードを表示"), QKeySequence::UnknownKey, &TRegisterForm::openCodeView);
  ViewAction->setShortcuts({Qt::Key_Return, Qt::Key_Enter});
  createSendActions();
  DataListView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(DataListView, &QWidget::customContextMenuRequested, this, &TRegisterForm::showListMenu);
}

void TRegisterForm::createSendActions() {
  SendAction = new QAction(QStringLiteral("送信"), DataListView);
  SendAction->setShortcuts({Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter});
  SendAction->setShortcutContext(Qt::WidgetShortcut);
  DataListView->addAction(SendAction);
  connect(SendAction, &QAction::triggered, this, [this] { sendSelectedRow(m_commands->lastOutput()); });
  auto* outputs = new QActionGroup(this);
  for (int output = kFirstOutput; output <= kLastOutput; ++output) {
    QAction* action = outputs->addAction(QStringLiteral("出力 %1").arg(output));
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, output] { sendSelectedRow(output); });
    OutputActions.append(action);
  }
}

void TRegisterForm::sendSelectedRow(int output) {
  if (auto row = selectedRow()) m_commands->Send(*row, output, QFile::encodeName(portText()).toStdString());
}

void TRegisterForm::showSent(std::size_t row, const QString& text) {
  const QModelIndex index = m_codeList->index(static_cast<int>(row), CodeListModel::kNameColumn);
  QWidget* viewport = DataListView->viewport();
  const QRect at = DataListView->visualRect(index);
  QToolTip::showText(viewport->mapToGlobal(at.bottomLeft()), text, viewport, at, 2500);
}

void TRegisterForm::showListMenu(const QPoint& position) {
  const bool row = selectedRow().has_value();
  for (QAction* action : {DeleteAction, MoveUpAction, MoveDownAction, CopyAction, ViewAction}) action->setEnabled(row);
  OutputActions[m_commands->lastOutput() - kFirstOutput]->setChecked(true);
  UndoAction->setEnabled(m_commands->list().canUndo());
  RedoAction->setEnabled(m_commands->list().canRedo());
  QMenu menu(this);
  menu.addActions({UndoAction, RedoAction});
  menu.addSeparator();
  menu.addActions({CopyAction, DeleteAction});
  menu.addSeparator();
  QMenu* send = menu.addMenu(QStringLiteral("送信"));
  send->addActions(OutputActions);
  send->setEnabled(row);
  menu.addAction(ViewAction);
  menu.addSeparator();
  menu.addActions({MoveUpAction, MoveDownAction});
  menu.exec(DataListView->viewport()->mapToGlobal(position));
  for (QAction* action : DataListView->actions()) action->setEnabled(true);
}

// The port box and the name editor keep their own text history while they have the focus.
// A text field claims the platform's undo and redo keys before any shortcut sees them; this
// covers the other spellings (Ctrl+Y where redo is Ctrl+Shift+Z) and a trigger from the menu.
bool TRegisterForm::textFieldTakes(void (QLineEdit::*edit)()) {
  auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  if (!field || field->window() != this) return false;
  (field->*edit)();
  return true;
}

std::optional<std::size_t> TRegisterForm::selectedRow() const {
  const QModelIndex current = DataListView->currentIndex();
  if (!current.isValid() || !DataListView->selectionModel()->isSelected(current)) return std::nullopt;
  return static_cast<std::size_t>(current.row());
}

void TRegisterForm::selectRow(std::optional<std::size_t> row) {
  if (!row) return;
  const QModelIndex index = m_codeList->index(static_cast<int>(*row), CodeListModel::kNameColumn);
  DataListView->setCurrentIndex(index);
  DataListView->scrollTo(index);
}

void TRegisterForm::onSelectedRow(std::optional<std::size_t> (Registration::*command)(std::size_t)) {
  if (auto row = selectedRow()) selectRow(((*m_commands).*command)(*row));
}

void TRegisterForm::connectHandlers() {
  connect(AddButton, &QPushButton::clicked, this, &TRegisterForm::AddButtonClick);
  connect(SaveButton, &QPushButton::clicked, this, &TRegisterForm::SaveButtonClick);
  connect(LoadButton, &QPushButton::clicked, this, &TRegisterForm::LoadButtonClick);
  // The code view follows the selection and whatever changes the list.
  connect(DataListView->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TRegisterForm::refreshCodeView);
  const CodeListModel* list = m_codeList.get();
  connect(list, &QAbstractItemModel::modelReset, this, &TRegisterForm::refreshCodeView);
  connect(list, &QAbstractItemModel::dataChanged, this, &TRegisterForm::refreshCodeView);
  connect(list, &QAbstractItemModel::rowsInserted, this, &TRegisterForm::refreshCodeView);
  connect(list, &QAbstractItemModel::rowsRemoved, this, &TRegisterForm::refreshCodeView);
  connect(list, &QAbstractItemModel::rowsMoved, this, &TRegisterForm::refreshCodeView);
}

// Beside the window, to its right; reopening brings back the same one.
void TRegisterForm::openCodeView() {
  if (!m_codeView) m_codeView = new CodeViewWindow(this);
  if (!m_codeView->isVisible()) {
    // On a narrow screen it keeps whole, over the window's edge rather than past the screen's.
    const int right_edge = screen()->availableGeometry().right() - m_codeView->frameGeometry().width();
    m_codeView->move(std::min(frameGeometry().right() + 1, right_edge), frameGeometry().top());
  }
  m_codeView->showView(selectedView());
  m_codeView->show();
  m_codeView->raise();
}

void TRegisterForm::refreshCodeView() {
  if (m_codeView && m_codeView->isVisible()) m_codeView->showView(selectedView());
}

CodeView TRegisterForm::selectedView() const {
  const auto row = selectedRow();
  return row ? ViewOfRow(m_commands->list(), *row) : CodeView{};
}

TRegisterForm::~TRegisterForm() = default;

QString TRegisterForm::portText() const {
  const int listed = COMCombo->findText(COMCombo->currentText(), Qt::MatchExactly);
  return listed >= 0 ? COMCombo->itemData(listed).toString() : COMCombo->currentText();
}

void TRegisterForm::FormCreate() {
  const PortChoices choices = m_commands->Start();
  for (const auto& port : choices.ports) {
    const QString path = QString::fromStdString(port.path);
    COMCombo->addItem(QString::fromStdString(port.name), path);
    const int item = COMCombo->count() - 1;
    COMCombo->setItemData(item, QString::fromStdString(PortLabel(port)), kPortLabelRole);
    COMCombo->setItemData(item, path, Qt::ToolTipRole);
  }
  // Wide enough for the longest label, however narrow the box.
  COMCombo->view()->setMinimumWidth(std::max(160, COMCombo->view()->sizeHintForColumn(0)));
  if (choices.selected)
    COMCombo->setCurrentIndex(static_cast<int>(*choices.selected));
  else
    COMCombo->setCurrentText(QString::fromStdString(choices.text));
}

// The close action: the window goes unless the user chose to stay with unsaved changes.
void TRegisterForm::FormClose(QCloseEvent* action) {
  if (m_commands->Close(portText().toStdString()))
    action->accept();
  else
    action->ignore();
}

void TRegisterForm::closeEvent(QCloseEvent* event) { FormClose(event); }

void TRegisterForm::AddButtonClick() { m_commands->Add(QFile::encodeName(portText()).toStdString()); }

void TRegisterForm::SaveButtonClick() { m_commands->Save(); }

void TRegisterForm::LoadButtonClick() { m_commands->Load(); }

}  // namespace brisvel
