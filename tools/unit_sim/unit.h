#pragma once
// The unit's behaviour: acknowledge "r", then send a packet when told to.
#include <chrono>
#include <optional>
#include <span>

#include "options.h"
#include "pseudo_terminal.h"

namespace brisvel::unit_sim {

class Unit {
 public:
  // stop_fd becomes readable when the unit must stop.
  Unit(const Options& options, PseudoTerminal& line, int stop_fd);

  // Serves until stop_fd is readable, the line is hung up or, without a delay, stdin ends.
  void Run();

 private:
  using Clock = std::chrono::steady_clock;

  std::optional<Clock::time_point> PacketDeadline() const;
  int PollTimeoutMs() const;
  bool PacketDue() const;
  void ReadLine();
  void OnStartByte();
  bool ReadStdin();  // false at end of stdin
  void SendPacket();
  void HangUp();

  const Options& options_;
  PseudoTerminal& line_;
  int stop_fd_;
  std::optional<Clock::time_point> armed_at_;  // set from acknowledgement to packet
  unsigned captures_ = 0;
  bool hung_up_ = false;
};

}  // namespace brisvel::unit_sim
