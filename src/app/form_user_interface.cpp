#include "app/form_user_interface.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>

#include "app/prompts.h"
#include "app/register_main.h"
#include "app/remocondata_receive.h"

namespace brisvel {
namespace {

QString FromPath(const std::filesystem::path& path) { return QFile::decodeName(path.c_str()); }

}  // namespace

FormUserInterface::FormUserInterface(TRegisterForm& form, MakeNotifications make_notifications)
    : m_form(form), m_make_notifications(std::move(make_notifications)) {}

std::optional<std::string> FormUserInterface::askText(const std::string& caption, const std::string& prompt,
                                                      int max_sjis_bytes) {
  auto text = prompts().askText(&m_form, QString::fromStdString(caption), QString::fromStdString(prompt), QString(),
                                max_sjis_bytes);
  if (!text) return std::nullopt;
  return text->toStdString();
}

void FormUserInterface::showError(const std::string& message) { prompts().showError(QString::fromStdString(message)); }

void FormUserInterface::showDefaultErrorBox(const std::string& text) {
  prompts().showDefaultError(QString::fromStdString(text));
}

std::optional<std::filesystem::path> FormUserInterface::chooseFile(FileDialogKind kind,
                                                                   const std::filesystem::path& folder,
                                                                   const std::optional<std::filesystem::path>& file) {
  QFileDialog& dialog = kind == FileDialogKind::Save ? *m_form.SaveCSVDialog : *m_form.OpenCSVDialog;
  dialog.setDirectory(FromPath(folder));
  if (file) dialog.selectFile(FromPath(*file));
  auto chosen = prompts().chooseFile(dialog);
  if (!chosen) return std::nullopt;
  return std::filesystem::path(QFile::encodeName(*chosen).toStdString());
}

std::unique_ptr<ReceiveDialog> FormUserInterface::createReceiveDialog() {
  return std::make_unique<TReceiveForm>(m_make_notifications);
}

UnsavedAnswer FormUserInterface::askUnsavedChanges(const std::string& question) {
  static const UnsavedAnswer kAnswers[] = {UnsavedAnswer::Save, UnsavedAnswer::Discard, UnsavedAnswer::Cancel};
  const int chosen = prompts().askChoice(&m_form, QStringLiteral("リモコンデータ登録"), QString::fromStdString(question),
                                         {QStringLiteral("保存"), QStringLiteral("破棄"), QStringLiteral("キャンセル")}, 0, 2);
  return kAnswers[chosen];
}

bool FormUserInterface::askRestore(const std::string& question) {
  return prompts().askChoice(nullptr, kApplicationTitle, QString::fromStdString(question),
                             {QStringLiteral("復元"), QStringLiteral("破棄")}, 0, 1) == 0;
}

bool FormUserInterface::askOverwrite(const std::string& question) {
  return prompts().askChoice(&m_form, QStringLiteral("リモコンデータ登録"), QString::fromStdString(question),
                             {QStringLiteral("上書き"), QStringLiteral("キャンセル")}, 1, 1) == 0;
}

void FormUserInterface::copyToClipboard(const std::string& text) {
  QApplication::clipboard()->setText(QString::fromStdString(text));
}

void FormUserInterface::showCaption(const std::string& caption) { m_form.setWindowTitle(QString::fromStdString(caption)); }

}  // namespace brisvel
