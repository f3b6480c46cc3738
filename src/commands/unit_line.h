#pragma once
// The unit's line as a command with the unit holds it: the port, configured for the unit,
// and the receive dialog's wait for each of the unit's answers. The capture and sending
// are each made of these steps.
#include <chrono>
#include <functional>
#include <string>

#include "commands/user_interface.h"
#include "serial/rs232c.h"

namespace brisvel {

// The user cancelled the exchange.
struct ExchangeCancelled {};

class UnitLine {
 public:
  // A unit silent for `reply_limit` fails the read. The port's own handlers are bound by the
  // caller before it opens the port.
  UnitLine(ReceiveDialog& dialog, const std::string& device, std::chrono::milliseconds reply_limit);
  UnitLine(const UnitLine&) = delete;
  UnitLine& operator=(const UnitLine&) = delete;

  serial::Trs232c& port() { return port_; }
  ReceiveDialog& dialog() { return dialog_; }
  bool lineLost() const { return line_lost_; }

  // Waits until `arrived` says the unit's answer is in; throws as expectOver.
  void awaitAnswer(const std::function<bool()>& arrived);
  // A wait that ended without what it waited for fails its step: a read that got nothing in
  // time, or whose line went away. Throws ExchangeCancelled or unit::ExchangeError.
  void expectOver(WaitEnd end) const;

 private:
  ReceiveDialog& dialog_;
  serial::Trs232c port_;
  std::chrono::milliseconds reply_limit_;
  bool line_lost_ = false;
};

}  // namespace brisvel
