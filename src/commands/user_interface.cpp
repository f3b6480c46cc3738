#include "commands/user_interface.h"

namespace brisvel {

void UserInterface::showDefaultError(const std::string& message) { showDefaultErrorBox(WithClosingPeriod(message)); }

// Any byte of a UTF-8 multibyte character is above ".", as a double-byte character is.
std::string WithClosingPeriod(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + '.';
  return message;
}

}  // namespace brisvel
