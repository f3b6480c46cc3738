#include "unit/line.h"

namespace brisvel::unit {

void ConfigureLine(serial::Trs232c& port) {
  port.charbit = 8;
  port.stopbit = "1";
  port.bps = 115200;
  port.rxbuffsize = 1024;
  port.txbuffsize = 1024;
  port.readinterval = 0;
  port.txtimeout = 30000;
  port.rxtimeout = 30000;
  port.paritymode = "無し";
  port.flowflag = 0;
  port.set_flow({});
  port.packetsize = static_cast<int32_t>(kPacketBytes);
  port.debug = false;
  port.XonLim = 0;
  port.XoffLim = 0;
  port.XonChar = 17;
  port.XoffChar = 19;
  port.ErrorChar = 0;
  port.EofChar = 0;
  port.EvtChar = 0;
}

void OpenLine(serial::Trs232c& port) {
  if (!port.Open()) throw ExchangeError(Failure::Open, port.LastError());
}

void SendByte(serial::Trs232c& port, std::uint8_t byte) {
  if (!port.WriteByte(byte)) throw ExchangeError(Failure::Write, port.LastError());
}

void ExpectByte(serial::Trs232c& port, std::uint8_t expected, Failure mismatch) {
  std::uint8_t byte = 0;
  if (!port.ReadByte(byte)) throw ExchangeError(Failure::Read, port.LastError());
  if (byte != expected) throw ExchangeError(mismatch);
}

void ReadAcknowledgement(serial::Trs232c& port) { ExpectByte(port, kAcknowledgement, Failure::NotAcknowledged); }

}  // namespace brisvel::unit
