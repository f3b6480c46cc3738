#include "cli/options.h"

#include "core/formats/capture_exchange.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <string_view>

namespace brisvel::cli {

const char* const kUsage =
    "usage: brisvelremo-cli COMMAND [options]\n"
    "\n"
    "Captures infrared remote-control codes from a PC-OP-RS1 unit into BrisvelRemo's\n"
    "code-list files (Shift-JIS CSV) and sends them through it without a window, and\n"
    "checks and converts those files.\n"
    "\n"
    "  ports                              list the serial ports\n"
    "  capture --port P --name N --file F capture one code from the unit on P and append\n"
    "                                     it under the name N to F (created when absent)\n"
    "  send --port P --file F (--name N | --row K) [--output 1-4]\n"
    "  send --port P --data HEX [--output 1-4]\n"
    "                                     have the unit on P emit the code of F's row\n"
    "                                     named N, or numbered K from 1, or the 480 hex\n"
    "                                     digits HEX, from output 1 (the default) to 4\n"
    "  show F [--row K | --name N] [--svg OUT]\n"
    "                                     print each row of F (or the one chosen): its\n"
    "                                     number and name, the protocol and fields its\n"
    "                                     code decodes to, and its pulses over 192 ms, a\n"
    "                                     block character for each 2 ms; --svg also draws\n"
    "                                     the one row's pulses as an SVG file\n"
    "  check F                            report what in F would not survive the tool,\n"
    "                                     and hint at codes that are cut off or decode\n"
    "                                     as no known protocol\n"
    "  export F --format csv|json [-o OUT]\n"
    "                                     write F's rows as UTF-8 CSV or JSON (stdout\n"
    "                                     without -o)\n"
    "  import IN -o F [--format csv|json] write a UTF-8 CSV or JSON file's rows to F\n"
    "  --help, --version\n"
    "\n"
    "Ctrl+C cancels a capture that waits for the code. Exit status: 0 done; 1 problems\n"
    "found (check) or input refused (send, show: no such row, a name on several rows;\n"
    "send: a row without a code); 2 a file that cannot be read or written; 3-8 a failed capture or\n"
    "send step (open, write, read, not Y, not S, not E); 64 a bad command line;\n"
    "130 cancelled. See brisvelremo-cli(1).\n";

namespace {

// An argument is UTF-8 on Windows and the locale's bytes on Linux. As a u8string, libstdc++
// reads it as UTF-8 on Windows (a plain string would be widened byte by byte) and keeps its
// bytes on Linux.
std::filesystem::path PathOf(const std::string& argument) {
  return std::filesystem::path(std::u8string(argument.begin(), argument.end()));
}

// Positional arguments and the values of named options. "--opt value" and "--opt=value"
// both work; "--" ends the options.
struct Arguments {
  std::vector<std::string> positional;
  std::map<std::string, std::string> named;

  std::string Take(const std::string& option) {
    auto found = named.find(option);
    if (found == named.end()) throw UsageError(option + " is required");
    std::string value = std::move(found->second);
    named.erase(found);
    return value;
  }
  std::optional<std::string> TakeIfGiven(const std::string& option) {
    if (!named.contains(option)) return std::nullopt;
    return Take(option);
  }
  std::filesystem::path TakeOnlyPositional(const char* what) {
    if (positional.size() != 1) throw UsageError(std::string("one ") + what + " expected");
    return PathOf(positional.front());
  }
  void ExpectNothingElse(bool positional_taken) const {
    if (!named.empty()) throw UsageError("unknown option " + named.begin()->first);
    if (!positional_taken && !positional.empty()) throw UsageError("unexpected argument " + positional.front());
  }
};

std::string Canonical(std::string_view option) { return option == "-o" ? "--output" : std::string(option); }


Arguments Split(std::vector<std::string>::const_iterator arg, std::vector<std::string>::const_iterator end) {
  Arguments arguments;
  bool options_ended = false;
  for (; arg != end; ++arg) {
    const std::string& text = *arg;
    if (options_ended || text == "-" || !text.starts_with("-")) {
      arguments.positional.push_back(text);
    } else if (text == "--") {
      options_ended = true;
    } else if (const size_t equals = text.find('='); text.starts_with("--") && equals != std::string::npos) {
      arguments.named[text.substr(0, equals)] = text.substr(equals + 1);
    } else {
      if (arg + 1 == end) throw UsageError(text + " needs a value");
      arguments.named[Canonical(text)] = *++arg;
    }
  }
  return arguments;
}

ExchangeFormat ParseFormat(const std::string& text) {
  if (text == "csv") return ExchangeFormat::Csv;
  if (text == "json") return ExchangeFormat::Json;
  throw UsageError("--format is csv or json, not " + text);
}

std::string NonEmpty(std::string value, const char* option) {
  if (value.empty()) throw UsageError(std::string(option) + " must not be empty");
  return value;
}

// "-" stands for stdout, as for most tools.
std::optional<std::filesystem::path> OutputOf(const std::string& value) {
  if (NonEmpty(value, "-o") == "-") return std::nullopt;
  return PathOf(value);
}

// A whole number from `low` to `high`; nothing else.
std::optional<std::size_t> NumberIn(const std::string& text, std::size_t low, std::size_t high) {
  std::size_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < low || number > high) return std::nullopt;
  return number;
}

// The row, by one of --row and --name, as send takes it; nothing for every row.
void ParseRowChoice(Arguments& arguments, std::optional<std::string>& name, std::optional<std::size_t>& row) {
  name = arguments.TakeIfGiven("--name");
  if (name) NonEmpty(*name, "--name");
  if (auto number = arguments.TakeIfGiven("--row")) {
    row = NumberIn(*number, 1, SIZE_MAX);
    if (!row) throw UsageError("--row is a row number from 1, not " + *number);
  }
}

ShowOptions ParseShow(Arguments& arguments) {
  ShowOptions show;
  show.file = arguments.TakeOnlyPositional("code-list file");
  ParseRowChoice(arguments, show.name, show.row);
  if (show.name && show.row) throw UsageError("show takes one of --name and --row");
  if (auto svg = arguments.TakeIfGiven("--svg")) show.svg = PathOf(NonEmpty(*svg, "--svg"));
  return show;
}

// The code comes from --data alone, or from --file and one of --name and --row.
SendOptions ParseSend(Arguments& arguments) {
  SendOptions send;
  send.port = NonEmpty(arguments.Take("--port"), "--port");
  if (auto output = arguments.TakeIfGiven("--output")) {
    const auto number = NumberIn(*output, kFirstOutput, kLastOutput);
    if (!number) throw UsageError("--output is 1, 2, 3 or 4, not " + *output);
    send.output = static_cast<int>(*number);
  }
  send.data = arguments.TakeIfGiven("--data");
  if (auto file = arguments.TakeIfGiven("--file")) send.file = PathOf(NonEmpty(*file, "--file"));
  ParseRowChoice(arguments, send.name, send.row);
  if (send.data) {
    if (send.file || send.name || send.row) throw UsageError("--data goes without --file, --name and --row");
    if (!CodeOfHexText(*send.data)) throw UsageError("--data must be exactly 480 hexadecimal digits");
  } else if (!send.file || send.name.has_value() == send.row.has_value()) {
    throw UsageError("send needs --data, or --file with one of --name and --row");
  }
  return send;
}

}  // namespace

Command ParseCommandLine(const std::vector<std::string>& args) {
  Command command;
  if (args.empty()) throw UsageError("a command is required");
  const std::string& name = args.front();
  if (name == "--help" || name == "-h" || name == "help") return command;
  if (name == "--version") {
    command.kind = Command::Kind::Version;
    return command;
  }
  Arguments arguments = Split(args.begin() + 1, args.end());
  bool positional_taken = false;
  if (name == "ports") {
    command.kind = Command::Kind::Ports;
  } else if (name == "capture") {
    command.kind = Command::Kind::Capture;
    command.capture.port = NonEmpty(arguments.Take("--port"), "--port");
    command.capture.name = NonEmpty(arguments.Take("--name"), "--name");
    command.capture.file = PathOf(NonEmpty(arguments.Take("--file"), "--file"));
  } else if (name == "send") {
    command.kind = Command::Kind::Send;
    command.send = ParseSend(arguments);
  } else if (name == "show") {
    command.kind = Command::Kind::Show;
    command.show = ParseShow(arguments);
    positional_taken = true;
  } else if (name == "check") {
    command.kind = Command::Kind::Check;
    command.file = arguments.TakeOnlyPositional("code-list file");
    positional_taken = true;
  } else if (name == "export") {
    command.kind = Command::Kind::Export;
    command.file = arguments.TakeOnlyPositional("code-list file");
    positional_taken = true;
    command.format = ParseFormat(arguments.Take("--format"));
    if (auto output = arguments.TakeIfGiven("--output")) command.output = OutputOf(*output);
  } else if (name == "import") {
    command.kind = Command::Kind::Import;
    command.file = arguments.TakeOnlyPositional("input file");
    positional_taken = true;
    command.output = OutputOf(arguments.Take("--output"));
    if (auto format = arguments.TakeIfGiven("--format")) command.format = ParseFormat(*format);
  } else {
    throw UsageError("unknown command " + name);
  }
  arguments.ExpectNothingElse(positional_taken);
  return command;
}

}  // namespace brisvel::cli
