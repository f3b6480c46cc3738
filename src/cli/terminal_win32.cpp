// Windows gives the command line and the console UTF-16 whatever the code pages, so names
// outside the ANSI code page (an emoji the name check must refuse, not a "?") arrive whole.
// Redirected output is UTF-8, in binary mode: an exported file on stdout keeps its CR LF
// line ends, and every line ends in LF alone, as on Linux.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "cli/terminal.h"
#include "core/formats/wide_text_win32.h"

namespace brisvel::cli {
namespace {

void WriteLine(std::FILE* stream, std::string_view utf8_line) {
  std::string line(utf8_line);
  line += '\n';
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    std::fflush(stream);
    const std::wstring wide = WideFromUtf8(line);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
}

}  // namespace

struct Terminal::Converters {};

Terminal::Terminal() : codeset_("UTF-8") {
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

Terminal::~Terminal() = default;

// The C runtime's argv is in the ANSI code page; the wide command line is what was typed.
std::vector<std::string> Terminal::Arguments(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return arguments;
}

std::optional<std::string> Terminal::FromLocale(std::string_view text) { return std::string(text); }

std::string Terminal::ToLocale(std::string_view utf8) { return std::string(utf8); }

void Terminal::Out(std::string_view utf8_line) { WriteLine(stdout, utf8_line); }

void Terminal::Error(std::string_view utf8_line) { WriteLine(stderr, utf8_line); }

}  // namespace brisvel::cli
