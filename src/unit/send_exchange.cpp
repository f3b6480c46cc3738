#include "unit/send_exchange.h"

namespace brisvel::unit {

void StartSend(serial::Trs232c& port) {
  OpenLine(port);
  SendByte(port, kStartSend);
}

void SelectOutput(serial::Trs232c& port, int output) { SendByte(port, OutputByte(output)); }

void WriteCode(serial::Trs232c& port, const Code& code) {
  if (!port.Write(code.data(), static_cast<int>(code.size()))) throw ExchangeError(Failure::Write, port.LastError());
}

void ReadSendEnd(serial::Trs232c& port) {
  std::uint8_t answer = 0;
  if (!port.ReadByte(answer)) throw ExchangeError(Failure::Read, port.LastError());
  if (!IsSendDone(answer)) throw ExchangeError(Failure::NotCodeEnd);
  port.Close();
}

}  // namespace brisvel::unit
