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

std::size_t FormUserInterface::ask(const Question& question) {
  QStringList buttons;
  for (const std::string& button : question.buttons) buttons << QString::fromStdString(button);
  const int chosen =
      prompts().askChoice(question.before_window ? nullptr : &m_form, QString::fromStdString(question.caption),
                          QString::fromStdString(question.text), buttons, static_cast<int>(question.default_button),
                          static_cast<int>(question.escape_button));
  return static_cast<std::size_t>(chosen);
}

void FormUserInterface::copyToClipboard(const std::string& text) {
  QApplication::clipboard()->setText(QString::fromStdString(text));
}

void FormUserInterface::showCaption(const std::string& caption) { m_form.setWindowTitle(QString::fromStdString(caption)); }

void FormUserInterface::showSent(std::size_t row, const std::string& text) {
  m_form.showSent(row, QString::fromStdString(text));
}

}  // namespace brisvel
