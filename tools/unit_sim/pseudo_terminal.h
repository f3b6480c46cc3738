#pragma once
// The unit's end of the line. The tool opens the slave device like a serial port.
#include <string>

namespace brisvel::unit_sim {

class PseudoTerminal {
 public:
  PseudoTerminal();  // throws std::system_error
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  int master() const { return master_; }
  // Closes both ends: the tool's open port hangs up, as with an unplugged USB adapter, and
  // the device disappears.
  void HangUp();
  const std::string& slave_path() const { return slave_path_; }

 private:
  int master_ = -1;
  // Held open for the unit's whole life: without it, each time the tool closes the port
  // the master reads a hang-up, and the line settings fall back to cooked mode. The price:
  // bytes the tool left unread survive its close, so its open must discard them, as it
  // would with a real port.
  int slave_ = -1;
  std::string slave_path_;
};

}  // namespace brisvel::unit_sim
