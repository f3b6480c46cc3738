#pragma once
// The terminal the command line talks to, in the locale's encoding (nl_langinfo(CODESET) after
// setlocale(LC_ALL, "")). The program works in UTF-8 inside.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/text_converter.h"

namespace brisvel::cli {

class Terminal {
 public:
  // Reads the locale's encoding. The C locale's ASCII is taken as UTF-8, as most terminals are.
  Terminal();

  // Text from the command line; nothing when its bytes are not text in the locale's encoding.
  std::optional<std::string> FromLocale(std::string_view text);
  // Text to show; a character the locale cannot write becomes "?".
  std::string ToLocale(std::string_view utf8);

  // One line each, on stdout (results) and stderr (prompts and errors).
  void Out(std::string_view utf8_line);
  void Error(std::string_view utf8_line);

  const std::string& codeset() const { return codeset_; }

 private:
  std::string codeset_;
  std::unique_ptr<TextConverter> from_locale_;  // both absent for UTF-8
  std::unique_ptr<TextConverter> to_locale_;
};

}  // namespace brisvel::cli
