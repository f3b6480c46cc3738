#include "core/formats/profile.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <system_error>
#include <vector>

#include "core/files/atomic_file.h"
#include "core/files/file_io.h"
#include "core/formats/text_lines.h"

namespace brisvel::profile {
namespace {

struct Line {
  std::string_view text;   // without its line break
  std::string_view ending;  // "\r\n", "\n", "\r" or "" for a last line without one
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  ForEachLine(text, [&](std::string_view line, std::string_view ending) { lines.push_back({line, ending}); });
  return lines;
}

std::string_view Trim(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

// "[name]" gives the trimmed name; anything else is not a section header.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

struct KeyValue {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyValue> ParseKeyLine(std::string_view line) {
  if (Trim(line).starts_with(';')) return std::nullopt;
  size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return KeyValue{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Where a key lives: the first section of that name, the first key of that name in it.
struct Location {
  std::optional<size_t> section;    // index of the header line
  std::optional<size_t> key;        // index of the key line
  size_t end_of_section = 0;        // index after the section's last non-blank line
};

Location Find(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Location where;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto name = SectionName(lines[i].text)) {
      if (where.section) break;
      if (SameName(*name, section)) where = {i, std::nullopt, i + 1};
      continue;
    }
    if (!where.section) continue;
    if (!Trim(lines[i].text).empty()) where.end_of_section = i + 1;
    auto kv = ParseKeyLine(lines[i].text);
    if (kv && !where.key && SameName(kv->key, key)) where.key = i;
  }
  return where;
}

std::string_view LineBreakOf(const std::vector<Line>& lines) {
  for (const Line& line : lines) {
    if (!line.ending.empty()) return line.ending;
  }
  return "\r\n";
}

// Something is there, but not a regular file, even through links: reading a FIFO waits for
// a writer that may never come, a device such as /dev/zero never ends.
bool ThereButNotAFile(const std::filesystem::path& file) {
  std::error_code unknown;
  const std::filesystem::file_status status = std::filesystem::status(file, unknown);
  return std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

// The profile functions treat a file they cannot read like one that is not there.
std::string FileTextOrEmpty(const std::filesystem::path& file) {
  if (ThereButNotAFile(file)) return {};
  try {
    return std::string(WholeFile(file).bytes());
  } catch (const std::system_error&) {
    return {};
  }
}

}  // namespace

std::string ReadString(std::string_view file_text, std::string_view section, std::string_view key,
                       std::string_view default_value) {
  auto lines = SplitLines(file_text);
  Location where = Find(lines, section, key);
  std::string_view value = default_value;
  if (where.key) value = Unquote(ParseKeyLine(lines[*where.key].text)->value);
  return std::string(value.substr(0, kMaxValueBytes));
}

std::string WriteString(std::string_view file_text, std::string_view section, std::string_view key,
                        std::string_view value) {
  auto lines = SplitLines(file_text);
  const std::string_view line_break = LineBreakOf(lines);
  const std::string key_line = std::string(key) + "=" + std::string(value);
  Location where = Find(lines, section, key);

  std::string out;
  out.reserve(file_text.size() + key_line.size() + section.size() + 8);
  auto emit = [&](std::string_view text, std::string_view ending) {
    out += text;
    out += ending.empty() ? line_break : ending;
  };
  for (size_t i = 0; i < lines.size(); ++i) {
    if (where.key && i == *where.key) {
      emit(key_line, lines[i].ending);
      continue;
    }
    if (where.section && !where.key && i == where.end_of_section) emit(key_line, line_break);
    emit(lines[i].text, lines[i].ending);
  }
  if (!where.section) {
    emit("[" + std::string(section) + "]", line_break);
    emit(key_line, line_break);
  } else if (!where.key && where.end_of_section == lines.size()) {
    emit(key_line, line_break);
  }
  return out;
}

FileValue ReadFileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                         std::string_view default_value) {
  if (ThereButNotAFile(file)) {
    return {ReadString({}, section, key, default_value), file.string() + " は通常のファイルではないので読み込みません"};
  }
  return {ReadString(FileTextOrEmpty(file), section, key, default_value), {}};
}

void WriteFileString(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::string_view value) {
  ReplaceFileAtomically(file, WriteString(FileTextOrEmpty(file), section, key, value));
}

}  // namespace brisvel::profile
