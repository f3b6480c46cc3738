#include "app_win32/form_user_interface.h"

#include <cstring>

#include "app_win32/prompts.h"
#include "app_win32/register_main.h"
#include "app_win32/remocondata_receive.h"
#include "core/formats/wide_text_win32.h"

namespace brisvel {

FormUserInterface::FormUserInterface(TRegisterForm& form, MakeNotifications make_notifications)
    : form_(form), make_notifications_(std::move(make_notifications)) {}

std::optional<std::string> FormUserInterface::askText(const std::string& caption, const std::string& prompt,
                                                      int max_sjis_bytes) {
  return AskText(caption, prompt, "", max_sjis_bytes);
}

void FormUserInterface::showError(const std::string& message) { ShowErrorDialog(message); }

void FormUserInterface::showDefaultErrorBox(const std::string& text) { ShowDefaultErrorBox(text); }

std::optional<std::filesystem::path> FormUserInterface::chooseFile(FileDialogKind kind,
                                                                   const std::filesystem::path& folder,
                                                                   const std::optional<std::filesystem::path>& file) {
  const FileDialog& dialog = kind == FileDialogKind::Save ? form_.SaveCSVDialog : form_.OpenCSVDialog;
  return dialog.Execute(form_.handle(), folder, file);
}

std::unique_ptr<ReceiveDialog> FormUserInterface::createReceiveDialog() {
  return std::make_unique<TReceiveForm>(make_notifications_);
}

std::size_t FormUserInterface::ask(const Question& question) {
  return static_cast<std::size_t>(AskChoice(question.caption, question.text, question.buttons,
                                            static_cast<int>(question.default_button),
                                            static_cast<int>(question.escape_button)));
}

void FormUserInterface::copyToClipboard(const std::string& text) {
  const std::wstring wide = WideFromUtf8(text);
  if (!OpenClipboard(form_.handle())) return;
  EmptyClipboard();
  const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    std::memcpy(GlobalLock(memory), wide.c_str(), bytes);
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
  }
  CloseClipboard();
}

void FormUserInterface::showSent(std::size_t row, const std::string& text) { form_.showRowNote(row, text); }

void FormUserInterface::showCaption(const std::string& caption) {
  SetWindowTextW(form_.handle(), WideFromUtf8(caption).c_str());
}

}  // namespace brisvel
