#include "app/register_main.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeView>

#include "app/form_style.h"
#include "app/prompts.h"
#include "app/remocondata_receive.h"
#include "app/ui_notifications.h"
#include "core/capture_exchange.h"
#include "core/code_list_file.h"
#include "core/port_list.h"
#include "core/profile.h"
#include "core/sjis.h"

namespace brisvel {
namespace {

constexpr char kSection[] = "SETTING";
constexpr char kPortKey[] = "COM";

// Port names are ASCII in practice; a path Shift-JIS cannot hold is kept as UTF-8 bytes
// rather than lost.
std::string ToProfileBytes(const QString& text) {
  std::string utf8 = text.toStdString();
  return sjis::FromUtf8(utf8).value_or(utf8);
}

QPushButton* MakeButton(const QString& caption, QRect geometry, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  return button;
}

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
  return {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("brisvel.ini")),
          [] { return ListSerialPorts(); }, MakeUiNotificationWindow};
}

TRegisterForm::TRegisterForm(RegisterFormEnvironment environment, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_environment(std::move(environment)) {
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
  DataListView->setModel(&m_codeList);
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
  COMCombo->view()->setMinimumWidth(160);  // device paths are longer than the box

  AddButton = MakeButton(QStringLiteral("Add"), {88, 192, 81, 25}, DefinedGroupBox);
  SaveButton = MakeButton(QStringLiteral("Save"), {192, 192, 81, 25}, DefinedGroupBox);
  LoadButton = MakeButton(QStringLiteral("Load"), {280, 192, 81, 25}, DefinedGroupBox);
  setTabOrder(DataListView, LoadButton);
  setTabOrder(LoadButton, SaveButton);
  setTabOrder(SaveButton, COMCombo);
  setTabOrder(COMCombo, AddButton);

  SaveCSVDialog = MakeCodeListDialog(QFileDialog::AcceptSave, this);
  OpenCSVDialog = MakeCodeListDialog(QFileDialog::AcceptOpen, this);
}

void TRegisterForm::connectHandlers() {
  connect(AddButton, &QPushButton::clicked, this, &TRegisterForm::AddButtonClick);
  connect(SaveButton, &QPushButton::clicked, this, &TRegisterForm::SaveButtonClick);
  connect(LoadButton, &QPushButton::clicked, this, &TRegisterForm::LoadButtonClick);
  connect(&m_codeList, &CodeListModel::nameRefused, this, &TRegisterForm::nameRefused);
}

QString TRegisterForm::portText() const { return COMCombo->currentText(); }

void TRegisterForm::FormCreate() {
  const std::string port = profile::ReadFileString(m_environment.settings_path.toStdString(), kSection, kPortKey, "");
  const auto ports = m_environment.list_ports();
  for (const auto& name : ports) COMCombo->addItem(QString::fromStdString(name));
  COMCombo->setCurrentText(QString::fromStdString(sjis::ToUtf8(port)));
  if (ports.empty()) prompts().showError(QStringLiteral("Serial Port is not found."));
}

void TRegisterForm::FormClose() {
  try {
    profile::WriteFileString(m_environment.settings_path.toStdString(), kSection, kPortKey,
                             ToProfileBytes(portText()));
  } catch (const UserError&) {
    // Only the port text is lost; a settings file that cannot be written must not keep
    // the user from quitting.
    prompts().showDefaultError(QStringLiteral("%1 に書き込めません").arg(m_environment.settings_path));
  }
}

void TRegisterForm::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TRegisterForm::AddButtonClick() {
  const QString port = portText();
  if (port.isEmpty()) return;
  auto name = prompts().askText(this, QStringLiteral("リモコンデータ登録"), QStringLiteral("データ名を入力"), QString(), 255);
  if (!name || name->isEmpty()) return;
  auto name_bytes = sjis::FromUtf8(name->toStdString());
  if (!name_bytes) {
    prompts().showError(NotShiftJisMessage(*name));
    return;
  }

  // The dialog owns the port: leaving this scope closes it, whatever happened.
  TReceiveForm dialog(m_environment.make_notifications());
  ReceiveForm = &dialog;
  dialog.rs232c->portname = QFile::encodeName(port).toStdString();
  dialog.rs232c->rxtimeout = m_environment.capture_timeout_ms;
  try {
    RequestCapture(*dialog.rs232c);
    if (dialog.exec() != QDialog::Accepted) throw CaptureError("cancel");
    m_codeList.appendEntry({std::move(*name_bytes), ReadCapturedCode(*dialog.rs232c)});
  } catch (const std::exception& error) {
    prompts().showError(QString::fromUtf8(error.what()));
  }
  ReceiveForm = nullptr;
}

std::optional<QString> TRegisterForm::chooseCodeListFile(QFileDialog& dialog) {
  // Each dialog starts in remocon under the current folder the first time, then offers
  // the file last chosen in it.
  if (dialog.selectedFiles().isEmpty() || dialog.property("used").isNull()) {
    dialog.setDirectory(QDir::current().filePath(QStringLiteral("remocon")));
  }
  auto path = prompts().chooseFile(dialog);
  if (!path) return std::nullopt;
  dialog.setProperty("used", true);
  dialog.setDirectory(QFileInfo(*path).absolutePath());
  dialog.selectFile(*path);
  return QFileInfo(*path).absoluteFilePath();
}

void TRegisterForm::SaveButtonClick() {
  auto path = chooseCodeListFile(*SaveCSVDialog);
  if (!path) return;
  try {
    SaveCodeListFile(path->toStdString(), m_codeList.entries());
  } catch (const UserError& error) {
    prompts().showDefaultError(QString::fromUtf8(error.what()));
  }
}

void TRegisterForm::LoadButtonClick() {
  auto path = chooseCodeListFile(*OpenCSVDialog);
  if (!path) return;
  try {
    LoadedCodeList loaded = LoadCodeListFile(path->toStdString());
    m_codeList.replaceAll(std::move(loaded.entries));
    if (loaded.error) prompts().showDefaultError(QString::fromUtf8(loaded.error->what()));
  } catch (const UserError& error) {
    prompts().showDefaultError(QString::fromUtf8(error.what()));
  }
}

void TRegisterForm::nameRefused(const QString& text) { prompts().showError(NotShiftJisMessage(text)); }

}  // namespace brisvel
