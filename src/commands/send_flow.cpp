#include "commands/send_flow.h"

#include "unit/send_exchange.h"

namespace brisvel {
namespace {

class Sending {
 public:
  Sending(ReceiveDialog& dialog, const std::string& device, std::chrono::milliseconds reply_limit)
      : line_(dialog, device, reply_limit) {
    // Every answer is a single byte, so a notification per byte costs nothing here, and the
    // count the capture polls would still hold the last answer's byte after it was read.
    line_.port().OnRXCHAR = [this](serial::Trs232c&) {
      answer_in_ = true;
      line_.dialog().wake();
    };
  }

  void run(int output, const unit::Code& code) {
    serial::Trs232c& port = line_.port();
    unit::StartSend(port);
    awaitAnswer();
    unit::ReadAcknowledgement(port);
    unit::SelectOutput(port, output);
    awaitAnswer();
    unit::ReadAcknowledgement(port);
    unit::WriteCode(port, code);
    awaitAnswer();
    unit::ReadSendEnd(port);
  }

 private:
  void awaitAnswer() {
    line_.awaitAnswer([this] { return answer_in_; });
    answer_in_ = false;
  }

  UnitLine line_;
  bool answer_in_ = false;
};

}  // namespace

void SendCode(ReceiveDialog& dialog, const std::string& device, int output, const unit::Code& code,
              std::chrono::milliseconds reply_limit) {
  Sending(dialog, device, reply_limit).run(output, code);
}

}  // namespace brisvel
