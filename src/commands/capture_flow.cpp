#include "commands/capture_flow.h"

#include "unit/capture_exchange.h"

namespace brisvel {
namespace {

constexpr char kSendCodeText[] = "PC-OP-RS1にデータを送信してください";

class Capture {
 public:
  Capture(ReceiveDialog& dialog, const std::string& device, std::chrono::milliseconds reply_limit)
      : line_(dialog, device, reply_limit) {
    // Bound before the port opens: handlers cannot change while it is open.
    line_.port().OnPACKET = [this](serial::Trs232c&) {
      packet_in_ = true;
      line_.dialog().wake();
    };
  }

  unit::Code run() {
    serial::Trs232c& port = line_.port();
    unit::StartCapture(port);
    line_.awaitAnswer([&port] { return unit::AnswerArrived(port); });
    unit::ReadAcknowledgement(port);
    line_.expectOver(line_.dialog().waitShown(kSendCodeText, {[this] { return packet_in_ || line_.lineLost(); }, {}, {}}));
    return unit::ReadCapturedCode(port);
  }

 private:
  UnitLine line_;
  bool packet_in_ = false;
};

}  // namespace

unit::Code CaptureCode(ReceiveDialog& dialog, const std::string& device, std::chrono::milliseconds reply_limit) {
  return Capture(dialog, device, reply_limit).run();
}

}  // namespace brisvel
