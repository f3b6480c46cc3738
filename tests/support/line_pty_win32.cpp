#include "line_pty.h"

#include <winsock2.h>

#include "line_protocol.h"
#include "win32/line_server_connection.h"

namespace brisvel::serial::testing {

namespace protocol = line_protocol;

std::string NullDevice() { return "\\\\.\\NUL"; }

struct Pty::Impl {
  LineServerConnection server;
};

Pty::Pty() : impl_(std::make_unique<Impl>()) { path = LineServerConnection::portName(impl_->server.request("PTY")); }

Pty::~Pty() = default;

void Pty::send(const Bytes& bytes) const { impl_->server.request("SEND " + protocol::ToHex(bytes)); }

Bytes Pty::receive(std::size_t count, std::chrono::milliseconds limit) const {
  std::string reply = impl_->server.request("RECV " + std::to_string(count) + " " + std::to_string(limit.count()));
  return reply.starts_with("ERR") ? Bytes{} : protocol::FromHex(reply);
}

bool Pty::waitForInput(std::size_t bytes) const {
  return impl_->server.request("QUEUED " + std::to_string(bytes)) == "1";
}

std::size_t Pty::drain() const {
  const std::string reply = impl_->server.request("DRAIN");
  return reply.starts_with("ERR") ? 0 : std::stoul(reply);
}

void Pty::closeMaster() { impl_->server.request("HANGUP"); }

TtyState Pty::tty() const { return protocol::TtyFromText(impl_->server.request("TTY")); }

void Pty::presetTty(bool twoStopBits, unsigned char startChar) {
  impl_->server.request("PRESET " + std::to_string(twoStopBits) + " " + std::to_string(startChar));
}

}  // namespace brisvel::serial::testing
