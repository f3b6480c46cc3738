#include "line_server_connection.h"

#include <ws2tcpip.h>

#include <cstdlib>

namespace brisvel::serial::testing {

namespace {

struct Winsock {
  Winsock() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
};

SOCKET connectTo(const std::string& address) {
  static Winsock winsock;
  auto colon = address.rfind(':');
  if (colon == std::string::npos) return INVALID_SOCKET;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(address.substr(0, colon).c_str(), address.substr(colon + 1).c_str(), &hints, &found) != 0)
    return INVALID_SOCKET;
  SOCKET s = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
  if (s != INVALID_SOCKET && connect(s, found->ai_addr, static_cast<int>(found->ai_addrlen)) != 0) {
    closesocket(s);
    s = INVALID_SOCKET;
  }
  freeaddrinfo(found);
  return s;
}

}  // namespace

LineServerConnection::LineServerConnection() {
  if (const char* address = std::getenv("BRISVEL_LINE_SERVER")) socket_ = connectTo(address);
}

LineServerConnection::~LineServerConnection() {
  if (socket_ != INVALID_SOCKET) closesocket(socket_);
}

std::string LineServerConnection::request(const std::string& line) {
  if (socket_ == INVALID_SOCKET) return "ERR no line server (BRISVEL_LINE_SERVER)";
  std::string out = line + "\n";
  for (std::size_t sent = 0; sent < out.size();) {
    int n = send(socket_, out.data() + sent, static_cast<int>(out.size() - sent), 0);
    if (n <= 0) return "ERR send";
    sent += static_cast<std::size_t>(n);
  }
  std::size_t end;
  while ((end = received_.find('\n')) == std::string::npos) {
    char buffer[4096];
    int n = recv(socket_, buffer, sizeof buffer, 0);
    if (n <= 0) return "ERR connection closed";
    received_.append(buffer, static_cast<std::size_t>(n));
  }
  std::string reply = received_.substr(0, end);
  received_.erase(0, end + 1);
  return reply;
}

std::string LineServerConnection::portName(const std::string& number) {
  if (number.empty() || number.starts_with("ERR")) return "";
  return (number.size() > 1 ? "\\\\.\\COM" : "COM") + number;
}

}  // namespace brisvel::serial::testing
