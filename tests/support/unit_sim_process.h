#pragma once
// The simulated capture unit as a child process, serving on the device it prints first.
// Define BRISVEL_UNIT_SIM_PATH.
#include "child_process.h"

namespace brisvel::testing_support {

class Simulator : public ChildProcess {
 public:
  explicit Simulator(const std::vector<std::string>& args) : ChildProcess(BRISVEL_UNIT_SIM_PATH, args) {}
};

}  // namespace brisvel::testing_support
