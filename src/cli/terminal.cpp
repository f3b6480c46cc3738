#include "cli/terminal.h"

#include <langinfo.h>

#include <cstdio>

namespace brisvel::cli {
namespace {

bool IsUtf8OrAscii(const std::string& codeset) {
  return codeset == "UTF-8" || codeset == "ANSI_X3.4-1968" || codeset == "ASCII";
}

void WriteLine(std::FILE* stream, const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fputc('\n', stream);
  std::fflush(stream);
}

}  // namespace

Terminal::Terminal() : codeset_(nl_langinfo(CODESET)) {
  if (IsUtf8OrAscii(codeset_)) return;
  from_locale_ = std::make_unique<TextConverter>("UTF-8", codeset_.c_str());
  to_locale_ = std::make_unique<TextConverter>((codeset_ + "//TRANSLIT").c_str(), "UTF-8");
}

std::optional<std::string> Terminal::FromLocale(std::string_view text) {
  if (!from_locale_) return std::string(text);
  std::string utf8;
  if (!from_locale_->Convert(text, utf8)) return std::nullopt;
  return utf8;
}

std::string Terminal::ToLocale(std::string_view utf8) {
  if (!to_locale_) return std::string(utf8);
  return to_locale_->ConvertReplacing(utf8, "?");
}

void Terminal::Out(std::string_view utf8_line) { WriteLine(stdout, ToLocale(utf8_line)); }

void Terminal::Error(std::string_view utf8_line) { WriteLine(stderr, ToLocale(utf8_line)); }

}  // namespace brisvel::cli
