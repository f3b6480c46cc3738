#include "unit.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "core/files/file_io.h"
#include "packet.h"

namespace brisvel::unit_sim {
namespace {

// One start bit, eight data bits and one stop bit at 115200 bit/s.
constexpr auto kByteTime = std::chrono::nanoseconds(10'000'000'000LL / 115200);
// Small enough that the tool sees the bytes trickle in, large enough to keep sleeps sane.
constexpr std::size_t kChunkSize = 8;
// A tool that stops in the middle of sending a code leaves the unit waiting; after this long
// a byte starts afresh, so the next capture or send is not taken for the rest of the code.
constexpr auto kAbandonedSend = std::chrono::seconds(1);

// Declared printf-like so the compiler checks each call's arguments against its format.
[[gnu::format(printf, 1, 2)]] void Log(const char* format, ...) {
  std::fputs("brisvel-unit-sim: ", stderr);
  std::va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::fputc('\n', stderr);
}

void WriteToLine(int fd, std::span<const std::uint8_t> bytes) {
  if (const int error = WriteAll(fd, std::as_bytes(bytes)); error != 0) {
    throw std::system_error(error, std::generic_category(), "write to line");
  }
}

// Each chunk leaves when a real line would have finished its last byte, so the whole
// packet takes as long as it would on the wire, however late a sleep wakes.
void WritePaced(int fd, std::span<const std::uint8_t> bytes) {
  auto start = std::chrono::steady_clock::now();
  for (std::size_t sent = 0; sent < bytes.size();) {
    std::size_t chunk = std::min(kChunkSize, bytes.size() - sent);
    std::this_thread::sleep_until(start + kByteTime * (sent + chunk));
    WriteToLine(fd, bytes.subspan(sent, chunk));
    sent += chunk;
  }
}

}  // namespace

Unit::Unit(const Options& options, PseudoTerminal& line, int stop_fd)
    : options_(options), line_(line), stop_fd_(stop_fd) {}

void Unit::Run() {
  enum { kStop, kLine, kStdin };
  // With a delay stdin is not watched at all: a headless run may have none.
  pollfd fds[] = {{stop_fd_, POLLIN, 0},
                  {line_.master(), POLLIN, 0},
                  {options_.delay ? -1 : STDIN_FILENO, POLLIN, 0}};
  for (;;) {
    if (poll(fds, std::size(fds), PollTimeoutMs()) < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "poll");
    }
    if (fds[kStop].revents) return;
    if (fds[kLine].revents) ReadLine();
    if (fds[kStdin].revents && !ReadStdin()) return;
    if (PacketDue()) SendPacket();
    if (hung_up_) return;
  }
}

std::optional<Unit::Clock::time_point> Unit::PacketDeadline() const {
  if (!armed_at_ || !options_.delay) return std::nullopt;
  return *armed_at_ + std::chrono::duration_cast<Clock::duration>(*options_.delay);
}

int Unit::PollTimeoutMs() const {
  auto deadline = PacketDeadline();
  if (!deadline) return -1;
  auto remaining = std::chrono::duration<double, std::milli>(*deadline - Clock::now());
  // Rounded up, so the wake-up never comes early and spins.
  return static_cast<int>(std::max(0.0, std::ceil(remaining.count())));
}

bool Unit::PacketDue() const {
  auto deadline = PacketDeadline();
  return deadline && Clock::now() >= *deadline;
}

void Unit::ReadLine() {
  std::uint8_t buffer[256];
  ssize_t count = read(line_.master(), buffer, sizeof buffer);
  if (count < 0 && errno == EINTR) return;
  // The unit holds the slave open itself, so the line never hangs up while it runs.
  if (count <= 0) throw std::system_error(errno, std::generic_category(), "read from line");
  for (std::uint8_t byte : std::span(buffer, static_cast<std::size_t>(count))) OnLineByte(byte);
}

void Unit::OnLineByte(std::uint8_t byte) {
  const auto now = Clock::now();
  if (send_awaits_ && now - last_byte_at_ > kAbandonedSend) {
    Log("the tool stopped in the middle of sending; starting afresh");
    send_awaits_.reset();
  }
  last_byte_at_ = now;
  if (send_awaits_) {
    OnSendByte(byte);
  } else if (byte == unit::kStartCapture) {
    OnStartByte();
  } else if (byte == unit::kStartSend) {
    send_awaits_ = SendStep::Output;
    AnswerSend(SendStep::Start, options_.send_answers.start);
  } else {
    Log("ignored byte 0x%02X", byte);
  }
}

void Unit::OnSendByte(std::uint8_t byte) {
  if (*send_awaits_ == SendStep::Output) {
    const auto output = unit::OutputOf(byte);
    if (!output) {
      Log("expected an output after \"t\", got 0x%02X; sending abandoned", byte);
      send_awaits_.reset();
      return;
    }
    output_ = *output;
    code_.clear();
    send_awaits_ = SendStep::CodeBytes;
    AnswerSend(SendStep::Output, options_.send_answers.output);
    return;
  }
  code_.push_back(byte);
  if (code_.size() < unit::kCodeBytes) return;
  send_awaits_.reset();
  EmitCode();
  AnswerSend(SendStep::CodeBytes, options_.send_answers.done);
}

void Unit::AnswerSend(SendStep step, std::uint8_t answer) {
  const std::string name = step == SendStep::Start    ? "\"t\""
                           : step == SendStep::Output ? "output " + std::to_string(output_)
                                                      : "the code for output " + std::to_string(output_);
  if (options_.silent || (options_.send_silent_at && step >= *options_.send_silent_at)) {
    Log("received %s; staying silent", name.c_str());
    return;
  }
  WriteToLine(line_.master(), std::span(&answer, 1));
  Log("received %s, sent 0x%02X", name.c_str(), answer);
}

// The emitted code goes to stdout, one line each, for whoever checks what was sent.
void Unit::EmitCode() {
  std::printf("output %d %s\n", output_, HexBytes(code_, "").c_str());
  std::fflush(stdout);
}

void Unit::OnStartByte() {
  if (options_.silent) {
    Log("received \"r\"; staying silent");
    return;
  }
  WriteToLine(line_.master(), std::span(&options_.ack, 1));
  armed_at_ = Clock::now();
  Log("received \"r\", sent 0x%02X; %s", options_.ack,
      options_.delay ? "packet follows after the delay" : "press Enter to send the packet");
}

bool Unit::ReadStdin() {
  char buffer[256];
  ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
  if (count < 0 && errno == EINTR) return true;
  if (count <= 0) return false;
  for (char c : std::span(buffer, static_cast<std::size_t>(count))) {
    if (c != '\n') continue;
    if (armed_at_) {
      SendPacket();
    } else {
      Log("not armed: the tool must send \"r\" first");
    }
  }
  return true;
}

void Unit::SendPacket() {
  armed_at_.reset();
  if (options_.hang_up) return HangUp();
  ++captures_;
  Code code = CodeOfCapture();
  std::vector<std::uint8_t> packet = FramePacket(code, options_.framing);
  WritePaced(line_.master(), packet);
  Log("capture %u: sent %zu bytes: %s", captures_, packet.size(), HexPreview(packet, 8).c_str());
}

// A remote's signal is never captured the same twice: each capture has its own jitter and noise.
Code Unit::CodeOfCapture() const {
  if (options_.fixed_code) return *options_.fixed_code;
  if (!options_.signal) return GeneratedCode(captures_);
  SignalRecipe recipe = *options_.signal;
  recipe.seed += captures_;
  return Render(recipe);
}

void Unit::HangUp() {
  line_.HangUp();
  hung_up_ = true;
  Log("hung up the line instead of sending the packet");
}

}  // namespace brisvel::unit_sim
