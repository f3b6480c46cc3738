#include "unit/capture_exchange.h"

namespace brisvel::unit {

void StartCapture(serial::Trs232c& port) {
  OpenLine(port);
  SendByte(port, kStartCapture);
}

bool AnswerArrived(const serial::Trs232c& port) { return port.ReceivedCount() > 0; }

Code ReadCapturedCode(serial::Trs232c& port) {
  Packet packet{};
  ReadBytes(port, packet);
  if (const auto failure = FrameFailure(packet)) throw ExchangeError(*failure);
  port.Close();
  return CodeIn(packet);
}

}  // namespace brisvel::unit
