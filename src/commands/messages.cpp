#include "commands/messages.h"

namespace brisvel {

std::string NotShiftJisMessage(const std::string& utf8_text) {
  return "「" + utf8_text + "」には Shift-JIS で表せない文字があるため使えません";
}

}  // namespace brisvel
