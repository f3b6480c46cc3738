#pragma once
// Why a port could not be opened or used, in words a user can act on: the lines shown under
// the first line of a capture error ("error -- open"). The facts come from the system
// (port_diagnosis_<system>.cpp); the words are written once, here. They end at the cure and
// name no control of any front end, so that the window and the command line can both say them.
#include <optional>
#include <string>
#include <vector>

#include "core/ports/port_list.h"
#include "serial/serial_port.h"

namespace brisvel {

enum class PortStep { Open, Transfer };  // a transfer, or the wait for one, on an open port

struct PortFailure {
  std::string device;  // the path as opened
  PortStep step = PortStep::Open;
  serial::PortError reason;
};

struct PortProcess {
  int id = 0;
  std::string program;  // the name the system knows it by: ModemManager, minicom
};

// What the system tells about the device of a failure; each platform fills what it knows.
struct PortFacts {
  enum class PathKind { Device, Missing, DanglingLink, Directory, File, Other };
  PathKind path = PathKind::Device;
  std::string link_target;  // where a dangling link points

  // For a refused open: who owns the device and whether the user is in its group, both in
  // the group list (listed) and in this login's groups (active).
  struct Access {
    std::string owner;
    std::string group;
    unsigned mode = 0;  // permission bits
    std::string user;
    bool listed = false;
    bool active = false;
  };
  std::optional<Access> access;

  // For a port in use: the other processes that have it open, and a modem manager running.
  std::vector<PortProcess> holders;
  std::optional<PortProcess> modem_manager;
  std::string modem_manager_rule;  // a line that keeps the modem manager off this device
  // Terminal programs users of this system commonly run, named when the holder is unknown.
  std::vector<std::string> terminal_programs;
};

PortFacts GatherPortFacts(const PortFailure& failure);

// The cause and what to do, one or more lines; empty when there is nothing to add to the
// first line (a unit that did not answer in time). `present` are the ports there are now.
std::string DescribePortFailure(const PortFailure& failure, const PortFacts& facts,
                                const std::vector<SerialPortInfo>& present);

// Both of the above, on this machine.
std::string ExplainPortFailure(const PortFailure& failure, const std::vector<SerialPortInfo>& present);

}  // namespace brisvel
