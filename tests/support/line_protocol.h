#pragma once
// The line server's wire format, shared by the Linux server and the Windows tests: one
// request line, one reply line. Requests:
//   PTY                 a new pty mapped to a COM port; reply: its number
//   SIM <args...>       the simulated unit with these options on a new COM port; reply: its number
//   SEND <hex>          bytes to the far end of this connection's pty; reply: OK
//   RECV <count> <ms>   what the component wrote, up to count bytes; reply: <hex>
//   QUEUED <count>      wait until the component's side holds count unread; reply: 1 or 0
//   DRAIN               take what the component wrote until quiet; reply: how many bytes
//   HANGUP              close the pty's master; reply: OK
//   TTY                 the tty's state; reply: the TtyState fields in order
//   PRESET <two> <chr>  two stop bits (0/1) and the start character before Open; reply: OK
// A connection's pty or simulator lives until the connection closes. Errors: "ERR <text>".
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>

#include "line_pty.h"

namespace brisvel::serial::testing::line_protocol {

inline std::string ToHex(const Bytes& bytes) {
  std::string hex;
  char digits[3];
  for (unsigned char b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    hex += digits;
  }
  return hex;
}

inline Bytes FromHex(std::string_view hex) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<unsigned char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return bytes;
}

inline std::string ToText(const TtyState& s) {
  std::ostringstream out;
  out << s.inputBaud << ' ' << s.outputBaud << ' ' << s.parityOdd << ' ' << s.parityStick << ' ' << s.twoStopBits << ' ' << s.raw << ' '
      << s.local << ' ' << s.xonOutput << ' ' << s.xonInput << ' ' << s.ctsFlow << ' ' << int{s.startChar}
      << ' ' << int{s.stopChar};
  return out.str();
}

inline TtyState TtyFromText(const std::string& text) {
  std::istringstream in(text);
  TtyState s;
  int start = 0, stop = 0;
  in >> s.inputBaud >> s.outputBaud >> s.parityOdd >> s.parityStick >> s.twoStopBits >> s.raw >> s.local >> s.xonOutput >>
      s.xonInput >> s.ctsFlow >> start >> stop;
  s.startChar = static_cast<unsigned char>(start);
  s.stopChar = static_cast<unsigned char>(stop);
  return s;
}

}  // namespace brisvel::serial::testing::line_protocol
