#pragma once
// What the commands ask of the user, shown with the registration window's own file dialogs,
// the application's boxes and a fresh receive dialog for each capture.
#include <functional>
#include <memory>

#include "commands/user_interface.h"
#include "serial/notification_window.h"

namespace brisvel {

class TRegisterForm;

class FormUserInterface : public UserInterface {
 public:
  using MakeNotifications = std::function<std::unique_ptr<serial::NotificationWindow>()>;

  FormUserInterface(TRegisterForm& form, MakeNotifications make_notifications);

  std::optional<std::string> askText(const std::string& caption, const std::string& prompt,
                                     int max_sjis_bytes) override;
  void showError(const std::string& message) override;
  std::optional<std::filesystem::path> chooseFile(FileDialogKind kind, const std::filesystem::path& folder,
                                                  const std::optional<std::filesystem::path>& file) override;
  std::unique_ptr<ReceiveDialog> createReceiveDialog() override;
  std::size_t ask(const Question& question) override;
  void copyToClipboard(const std::string& text) override;
  void showCaption(const std::string& caption) override;
  void showSent(std::size_t row, const std::string& text) override;

 protected:
  void showDefaultErrorBox(const std::string& text) override;

 private:
  TRegisterForm& form_;
  MakeNotifications make_notifications_;
};

}  // namespace brisvel
