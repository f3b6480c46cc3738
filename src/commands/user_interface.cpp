#include "commands/user_interface.h"

namespace brisvel {

void UserInterface::showDefaultError(const std::string& message) { showDefaultErrorBox(WithClosingPeriod(message)); }

UnsavedAnswer UserInterface::askUnsavedChanges(const std::string& question) {
  static constexpr UnsavedAnswer kAnswers[] = {UnsavedAnswer::Save, UnsavedAnswer::Discard, UnsavedAnswer::Cancel};
  return kAnswers[ask({kWindowCaption, question, {"保存", "破棄", "キャンセル"}, 0, 2})];
}

bool UserInterface::askRestore(const std::string& question) {
  return ask({kApplicationName, question, {"復元", "破棄"}, 0, 1, true}) == 0;
}

bool UserInterface::askOverwrite(const std::string& question) {
  return ask({kWindowCaption, question, {"上書き", "キャンセル"}, 1, 1}) == 0;
}

// Any byte of a UTF-8 multibyte character is above ".", as a double-byte character is.
std::string WithClosingPeriod(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + '.';
  return message;
}

}  // namespace brisvel
