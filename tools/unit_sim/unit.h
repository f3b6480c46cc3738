#pragma once
// The unit's behaviour: acknowledge "r", then send a packet when told to; take a code to
// send after "t" and an output, and report it as emitted.
#include <chrono>
#include <optional>
#include <span>
#include <vector>

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
  void OnLineByte(std::uint8_t byte);
  void OnStartByte();
  void OnSendByte(std::uint8_t byte);
  void AnswerSend(SendStep step, std::uint8_t answer);
  void EmitCode();
  bool ReadStdin();  // false at end of stdin
  void SendPacket();
  Code CodeOfCapture() const;
  void HangUp();

  const Options& options_;
  PseudoTerminal& line_;
  int stop_fd_;
  std::optional<Clock::time_point> armed_at_;  // set from acknowledgement to packet
  unsigned captures_ = 0;
  bool hung_up_ = false;
  // Sending: the step whose byte comes next, none between sends.
  std::optional<SendStep> send_awaits_;
  Clock::time_point last_byte_at_;
  int output_ = 0;
  std::vector<std::uint8_t> code_;
};

}  // namespace brisvel::unit_sim
