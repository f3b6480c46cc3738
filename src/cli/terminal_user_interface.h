#pragma once
// What the commands ask of the user, answered from the command line and shown on the
// terminal: the name and the file are the options given, errors go to stderr, and the
// receive dialog is a prompt and a wait that Ctrl-C ends.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "cli/terminal.h"
#include "commands/user_interface.h"

namespace brisvel::cli {

class TerminalUserInterface : public UserInterface {
 public:
  TerminalUserInterface(Terminal& terminal, std::string utf8_name, std::filesystem::path file);

  std::optional<std::string> askText(const std::string& caption, const std::string& prompt,
                                     int max_sjis_bytes) override;
  void showError(const std::string& message) override;
  std::optional<std::filesystem::path> chooseFile(FileDialogKind kind, const std::filesystem::path& folder,
                                                  const std::optional<std::filesystem::path>& file) override;
  std::unique_ptr<ReceiveDialog> createReceiveDialog() override;
  // Its questions are escaped (UserInterface::ask): the command line loads only into an
  // empty list and offers no recovery, so it never drops changes and restores nothing. The capture holds the file locked from its read to its write, so no other writer's
  // work can come between them.
  bool askOverwrite(const std::string&) override { return true; }
  // The confirmation of a code sent, on stderr with the other messages.
  void showSent(std::size_t row, const std::string& text) override;
  // No window: no clipboard or caption to show.
  void copyToClipboard(const std::string&) override {}
  void showCaption(const std::string&) override {}

 protected:
  void showDefaultErrorBox(const std::string& text) override;

 private:
  Terminal& terminal_;
  std::string name_;
  std::filesystem::path file_;
};

}  // namespace brisvel::cli
