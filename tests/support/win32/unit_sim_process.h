#pragma once
// The simulated capture unit for a Windows test under wine: the line server, on the Linux
// side, starts it on a COM port of its own and stops it when this object goes.
#include <chrono>
#include <string>
#include <vector>

#include "line_server_connection.h"

namespace brisvel::testing_support {

using namespace std::chrono_literals;

class Simulator {
 public:
  explicit Simulator(const std::vector<std::string>& args) {
    std::string request = "SIM";
    for (const auto& arg : args) request += " " + arg;
    device_ = serial::testing::LineServerConnection::portName(server_.request(request));
  }

  std::string DevicePath() const { return device_; }

 private:
  serial::testing::LineServerConnection server_;
  std::string device_;
};

}  // namespace brisvel::testing_support
