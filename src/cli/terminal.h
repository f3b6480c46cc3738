#pragma once
// The terminal the command line talks to. The program works in UTF-8 inside; the terminal's
// encoding is the system's business (terminal_<system>.cpp): on Linux the locale's
// (nl_langinfo(CODESET) after setlocale(LC_ALL, "")), on Windows UTF-16 for the command line
// and the console, UTF-8 for redirected output.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisvel::cli {

class Terminal {
 public:
  // On Linux reads the locale's encoding; the C locale's ASCII is taken as UTF-8, as most
  // terminals are. Throws std::runtime_error for an encoding the system cannot convert.
  Terminal();
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // The arguments after the program's name, as FromLocale takes them.
  static std::vector<std::string> Arguments(int argc, char** argv);

  // Text from the command line; nothing when its bytes are not text in the locale's encoding.
  std::optional<std::string> FromLocale(std::string_view text);
  // Text to show; a character the locale cannot write becomes "?".
  std::string ToLocale(std::string_view utf8);

  // One line each, on stdout (results) and stderr (prompts and errors).
  void Out(std::string_view utf8_line);
  void Error(std::string_view utf8_line);

  const std::string& codeset() const { return codeset_; }

 private:
  struct Converters;  // the system's, for an encoding that is not UTF-8

  std::string codeset_;
  std::unique_ptr<Converters> converters_;
};

}  // namespace brisvel::cli
