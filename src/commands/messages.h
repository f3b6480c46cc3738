#pragma once
// Messages every front end shows in the same words.
#include <string>

namespace brisvel {

// When the machine has no serial port to offer.
inline constexpr char kNoSerialPortMessage[] = "Serial Port is not found.";

// The message for text with characters outside Shift-JIS.
std::string NotShiftJisMessage(const std::string& utf8_text);

}  // namespace brisvel
