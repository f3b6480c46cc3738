#include "options.h"

#include <charconv>
#include <functional>
#include <span>
#include <string_view>

namespace brisvel::unit_sim {

const char* const kUsage =
    "usage: brisvel-unit-sim [options]\n"
    "\n"
    "Simulates the infrared capture unit on a pseudo-terminal. Prints the terminal's\n"
    "device path on stdout; point the tool's port box at it. Answers \"r\" with \"Y\"\n"
    "and then sends \"S\", 240 code bytes and \"E\" at the pace of a 115200 bit/s line.\n"
    "Serves capture after capture until SIGINT or SIGTERM.\n"
    "\n"
    "Sending: answers \"t\" with \"Y\", an output (\"1\" to \"4\") with \"Y\" and the\n"
    "240 code bytes that follow with \"E\", and prints each code it emits on stdout as\n"
    "one line: \"output N\" and the 480 hex digits, e.g. \"output 2 000FA5...\".\n"
    "\n"
    "  --link PATH      also make a symbolic link to the device at PATH (an old link\n"
    "                   there is replaced; the link is removed at exit)\n"
    "  --delay SECONDS  send the packet SECONDS after each acknowledgement (fractions\n"
    "                   allowed) and run headless: stdin is not read, so its end does\n"
    "                   not stop the program. Without --delay, Enter on stdin sends\n"
    "                   the packet and end of stdin ends the program.\n"
    "  --code HEX480    send these 240 bytes (480 hex digits) every time instead of a\n"
    "                   new code per capture\n"
    "  --signal RECIPE  send a remote's button press as the unit would capture it,\n"
    "                   e.g. nec:04,08 (address, command), nec:0401,08 (16-bit\n"
    "                   address), aeha:2002,80,00 (maker code, data), sirc12:01,15,\n"
    "                   sirc15:a4,2f, sirc20:01,15,3a (address, command[, extended]);\n"
    "                   fields in hex. Each capture differs by its jitter and noise.\n"
    "  --repeats N      with --signal: N repeat codes (NEC) or further frames, 0 to 20\n"
    "  --jitter N       with --signal: move each edge by up to N samples, 0 to 10\n"
    "  --noise N        with --signal: flip N single samples at random, 0 to 1920\n"
    "  --bit-order lsb|msb\n"
    "                   with --signal: the order of the samples within each byte\n"
    "                   (lsb, the default: the first sample in the lowest bit)\n"
    "\n"
    "Misbehaviour, for the tool's error paths (BYTE is decimal or 0x hex):\n"
    "  --ack BYTE       answer \"r\" with BYTE instead of 0x59\n"
    "  --silent         never answer and never send a packet\n"
    "  --short N        send only the first N of the 242 packet bytes\n"
    "  --start BYTE     start the packet with BYTE instead of 0x53\n"
    "  --end BYTE       end the packet with BYTE instead of 0x45\n"
    "  --hangup         instead of sending the packet, close the line as an unplugged\n"
    "                   adapter would, and exit\n"
    "  --send-ack BYTE  answer \"t\" with BYTE instead of 0x59\n"
    "  --output-ack BYTE\n"
    "                   answer the output byte with BYTE instead of 0x59\n"
    "  --sent-ack BYTE  answer the code bytes with BYTE instead of 0x45\n"
    "  --send-silent STEP\n"
    "                   while sending, say nothing from STEP on: start (no answer to\n"
    "                   \"t\"), output or code\n"
    "\n"
    "  --help           show this text\n"
    "\n"
    "Exit status: 0 when stopped, 1 on a system failure, 2 on a bad command line.\n";

namespace {

// The whole text must be the number. from_chars takes no sign for unsigned types, so "-1"
// is refused rather than wrapped.
template <typename Number, typename... Format>
std::optional<Number> ParseNumber(std::string_view text, Format... format) {
  Number value{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, format...);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<std::uint8_t> ParseByte(std::string_view text) {
  bool hex = text.starts_with("0x") || text.starts_with("0X");
  if (hex) text.remove_prefix(2);
  return ParseNumber<std::uint8_t>(text, hex ? 16 : 10);
}

// Bounded so the deadline arithmetic cannot overflow; an hour is patience enough.
constexpr double kMaxDelaySeconds = 3600;

std::optional<std::chrono::duration<double>> ParseDelay(std::string_view text) {
  auto seconds = ParseNumber<double>(text);
  if (!seconds || !(*seconds >= 0 && *seconds <= kMaxDelaySeconds)) return std::nullopt;
  return std::chrono::duration<double>(*seconds);
}

std::optional<std::size_t> ParsePacketLength(std::string_view text) {
  auto length = ParseNumber<std::size_t>(text);
  if (!length || *length > unit::kPacketBytes) return std::nullopt;
  return length;
}

std::optional<Code> ParseCode(std::string_view text) {
  if (text.size() != 2 * unit::kCodeBytes) return std::nullopt;
  Code code;
  for (std::size_t i = 0; i < unit::kCodeBytes; ++i) {
    auto byte = ParseNumber<std::uint8_t>(text.substr(2 * i, 2), 16);
    if (!byte) return std::nullopt;
    code[i] = *byte;
  }
  return code;
}

template <int kHighest>
std::optional<int> ParseCount(std::string_view text) {
  auto count = ParseNumber<int>(text);
  if (!count || *count < 0 || *count > kHighest) return std::nullopt;
  return count;
}

std::optional<signal::BitOrder> ParseBitOrder(std::string_view text) {
  if (text == "lsb") return signal::BitOrder::LeastSignificantFirst;
  if (text == "msb") return signal::BitOrder::MostSignificantFirst;
  return std::nullopt;
}

std::optional<SendStep> ParseSendStep(std::string_view text) {
  if (text == "start") return SendStep::Start;
  if (text == "output") return SendStep::Output;
  if (text == "code") return SendStep::CodeBytes;
  return std::nullopt;
}

// What --signal's companions ask of the recipe; applied once the whole line is read, so
// their order against --signal does not matter.
struct SignalShape {
  std::optional<int> repeats, jitter, noise;
  std::optional<signal::BitOrder> order;
  bool given() const { return repeats || jitter || noise || order; }
};

struct Parsed {
  Options options;
  SignalShape shape;
  std::string signal_error;  // why --signal's text is not a signal
};

// Applies an option's value, or returns false when the value is not acceptable.
using ValueSetter = std::function<bool(Parsed&, std::string_view)>;

template <typename Value>
ValueSetter Store(std::optional<Value> (*parse)(std::string_view),
                  std::function<void(Options&, Value)> assign) {
  return [parse, assign](Parsed& parsed, std::string_view text) {
    auto value = parse(text);
    if (value) assign(parsed.options, *value);
    return value.has_value();
  };
}

template <typename Value>
ValueSetter Shape(std::optional<Value> (*parse)(std::string_view),
                  std::optional<Value> SignalShape::*field) {
  return [parse, field](Parsed& parsed, std::string_view text) {
    parsed.shape.*field = parse(text);
    return (parsed.shape.*field).has_value();
  };
}

bool StoreSignal(Parsed& parsed, std::string_view text) {
  auto recipe = ParseSignal(text);
  if (auto* error = std::get_if<std::string>(&recipe)) {
    parsed.signal_error = *error;
    return false;
  }
  parsed.options.signal = std::get<SignalRecipe>(recipe);
  return true;
}

struct ValueOption {
  std::string_view name;
  std::string_view expected;
  ValueSetter set;
};

const ValueOption* FindValueOption(std::string_view name) {
  static const ValueOption kOptions[] = {
      {"--link", "a path",
       [](Parsed& p, std::string_view text) {
         p.options.link_path = std::string(text);
         return !text.empty();
       }},
      {"--delay", "a number of seconds from 0 to 3600",
       Store<std::chrono::duration<double>>(ParseDelay, [](Options& o, auto d) { o.delay = d; })},
      {"--code", "exactly 480 hex digits",
       Store<Code>(ParseCode, [](Options& o, Code c) { o.fixed_code = c; })},
      {"--ack", "a byte, 0 to 255 or 0x00 to 0xFF",
       Store<std::uint8_t>(ParseByte, [](Options& o, std::uint8_t b) { o.ack = b; })},
      {"--start", "a byte, 0 to 255 or 0x00 to 0xFF",
       Store<std::uint8_t>(ParseByte, [](Options& o, std::uint8_t b) { o.framing.start = b; })},
      {"--end", "a byte, 0 to 255 or 0x00 to 0xFF",
       Store<std::uint8_t>(ParseByte, [](Options& o, std::uint8_t b) { o.framing.end = b; })},
      {"--send-ack", "a byte, 0 to 255 or 0x00 to 0xFF",
       Store<std::uint8_t>(ParseByte, [](Options& o, std::uint8_t b) { o.send_answers.start = b; })},
      {"--output-ack", "a byte, 0 to 255 or 0x00 to 0xFF",
       Store<std::uint8_t>(ParseByte, [](Options& o, std::uint8_t b) { o.send_answers.output = b; })},
      {"--sent-ack", "a byte, 0 to 255 or 0x00 to 0xFF",
       Store<std::uint8_t>(ParseByte, [](Options& o, std::uint8_t b) { o.send_answers.done = b; })},
      {"--signal", "a signal such as nec:04,08", StoreSignal},
      {"--repeats", "a count, 0 to 20", Shape<int>(ParseCount<20>, &SignalShape::repeats)},
      {"--jitter", "a number of samples, 0 to 10", Shape<int>(ParseCount<10>, &SignalShape::jitter)},
      {"--noise", "a number of samples, 0 to 1920",
       Shape<int>(ParseCount<signal::kSampleCount>, &SignalShape::noise)},
      {"--bit-order", "lsb or msb",
       Shape<signal::BitOrder>(ParseBitOrder, &SignalShape::order)},
      {"--send-silent", "start, output or code",
       Store<SendStep>(ParseSendStep, [](Options& o, SendStep s) { o.send_silent_at = s; })},
      {"--short", "a byte count, 0 to 242",
       Store<std::size_t>(ParsePacketLength,
                          [](Options& o, std::size_t n) { o.framing.length = n; })},
  };
  for (const auto& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

// The recipe with its companions' values; a usage error for what does not go together.
std::optional<UsageError> Combine(Parsed& parsed) {
  std::optional<SignalRecipe>& recipe = parsed.options.signal;
  if (recipe && parsed.options.fixed_code) return UsageError{"--signal and --code exclude each other"};
  if (!recipe) {
    if (parsed.shape.given()) return UsageError{"--repeats, --jitter, --noise and --bit-order need --signal"};
    return std::nullopt;
  }
  recipe->repeats = parsed.shape.repeats.value_or(recipe->repeats);
  recipe->jitter_samples = parsed.shape.jitter.value_or(recipe->jitter_samples);
  recipe->noise_samples = parsed.shape.noise.value_or(recipe->noise_samples);
  recipe->order = parsed.shape.order.value_or(recipe->order);
  return std::nullopt;
}

}  // namespace

ParseResult ParseCommandLine(int argc, const char* const* argv) {
  Parsed parsed;
  Options& options = parsed.options;
  std::span<const char* const> args(argv + 1, static_cast<std::size_t>(argc > 0 ? argc - 1 : 0));
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (arg == "--help") return HelpRequested{};
    if (arg == "--silent" || arg == "--hangup") {
      (arg == "--silent" ? options.silent : options.hang_up) = true;
      continue;
    }
    const ValueOption* option = FindValueOption(arg);
    if (!option) return UsageError{"unknown option '" + std::string(arg) + "'"};
    if (i + 1 == args.size()) {
      return UsageError{std::string(arg) + " needs " + std::string(option->expected)};
    }
    std::string_view value = args[++i];
    if (!option->set(parsed, value)) {
      std::string expected = parsed.signal_error.empty() ? std::string(option->expected) : parsed.signal_error;
      return UsageError{std::string(arg) + " '" + std::string(value) + "': expected " + expected};
    }
  }
  if (auto error = Combine(parsed)) return *error;
  return options;
}

}  // namespace brisvel::unit_sim
