#pragma once
// A Windows test's connection to the line server (see line_protocol.h), found through the
// environment variable BRISVEL_LINE_SERVER ("host:port") that the Linux side sets.
#include <winsock2.h>

#include <string>

namespace brisvel::serial::testing {

class LineServerConnection {
 public:
  LineServerConnection();
  ~LineServerConnection();
  LineServerConnection(const LineServerConnection&) = delete;
  LineServerConnection& operator=(const LineServerConnection&) = delete;

  // One request line out, its reply back; "ERR ..." when the server is out of reach.
  std::string request(const std::string& line);
  // The device name of the port the server gave: COM10 and up need the "\\.\" prefix.
  static std::string portName(const std::string& number);

 private:
  SOCKET socket_ = INVALID_SOCKET;
  std::string received_;
};

}  // namespace brisvel::serial::testing
