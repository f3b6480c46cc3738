#include <langinfo.h>

#include <cstdio>

#include "cli/terminal.h"
#include "core/formats/text_converter.h"

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

struct Terminal::Converters {
  explicit Converters(const std::string& codeset)
      : from_locale("UTF-8", codeset.c_str()), to_locale((codeset + "//TRANSLIT").c_str(), "UTF-8") {}

  TextConverter from_locale;
  TextConverter to_locale;
};

Terminal::Terminal() : codeset_(nl_langinfo(CODESET)) {
  if (IsUtf8OrAscii(codeset_)) return;
  converters_ = std::make_unique<Converters>(codeset_);
}

Terminal::~Terminal() = default;

std::vector<std::string> Terminal::Arguments(int argc, char** argv) { return {argv + 1, argv + argc}; }

std::optional<std::string> Terminal::FromLocale(std::string_view text) {
  if (!converters_) return std::string(text);
  std::string utf8;
  if (!converters_->from_locale.Convert(text, utf8)) return std::nullopt;
  return utf8;
}

std::string Terminal::ToLocale(std::string_view utf8) {
  if (!converters_) return std::string(utf8);
  return converters_->to_locale.ConvertReplacing(utf8, "?");
}

void Terminal::Out(std::string_view utf8_line) { WriteLine(stdout, ToLocale(utf8_line)); }

void Terminal::Error(std::string_view utf8_line) { WriteLine(stderr, ToLocale(utf8_line)); }

}  // namespace brisvel::cli
