#include "core/formats/code_list_file.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "core/files/atomic_file.h"
#include "core/files/file_io.h"
#include "core/formats/sjis.h"
#include "core/formats/text_lines.h"

namespace brisvel {
namespace {

constexpr auto npos = std::string_view::npos;
constexpr std::string_view kCrLf = "\r\n";

bool IsBlank(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x01 && byte <= 0x20;
}

bool IsLeadByte(char c) { return sjis::IsLeadByte(static_cast<unsigned char>(c)); }

// True when `pos` falls between a lead byte and its second byte, `text` starting on a
// character. A byte that is not a lead byte is always followed by a character start, so only
// the run of lead bytes just before `pos` matters: it pairs off from its first byte.
bool SplitsCharacter(std::string_view text, size_t pos) {
  size_t run = 0;
  while (run < pos && IsLeadByte(text[pos - run - 1])) ++run;
  return run % 2 == 1;
}

// The first double quote at or after `from` that is a character of its own, `from` starting
// a character. memchr does the scanning; a quote found is checked only against the bytes since
// the last one, so the whole search stays linear.
size_t FindQuote(std::string_view text, size_t from) {
  for (;;) {
    const size_t quote = text.find('"', from);
    if (quote == npos || !SplitsCharacter(text.substr(from), quote - from)) return quote;
    from = quote + 1;
  }
}

// The text the fields are cut from: each line followed by CR LF. A file this tool wrote is
// already in that form and is used in place.
class JoinedLines {
 public:
  explicit JoinedLines(std::string_view text) : original_(text) {
    bool crlf_only = true;
    count_ = ForEachLine(text, [&](std::string_view, std::string_view line_break) {
      crlf_only = crlf_only && line_break == kCrLf;
    });
    if (crlf_only) return;
    rejoined_.reserve(text.size() + count_ + kCrLf.size());
    ForEachLine(text, [&](std::string_view line, std::string_view) {
      rejoined_.append(line).append(kCrLf);
    });
  }

  size_t count() const { return count_; }
  std::string_view text() const { return rejoined_.empty() ? original_ : rejoined_; }

 private:
  std::string_view original_;
  std::string rejoined_;
  size_t count_ = 0;
};

size_t SkipBlanks(std::string_view text, size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

// Appends the quoted field that starts at `pos`, just past its opening quote, taking a doubled
// quote as one. Returns the position after the closing quote, or npos when there is none: the
// field then runs to the end of the text, less the text's last byte.
size_t ReadQuoted(std::string_view text, size_t pos, std::string& field) {
  for (;;) {
    const size_t quote = FindQuote(text, pos);
    if (quote == npos) {
      if (pos < text.size()) field.append(text.substr(pos, text.size() - 1 - pos));
      return npos;
    }
    field.append(text.substr(pos, quote - pos));
    if (text.compare(quote, 2, "\"\"") != 0) return quote + 1;
    field += '"';
    pos = quote + 2;
  }
}

// The end of an unquoted field: the next blank or comma that is a character of its own.
size_t UnquotedEnd(std::string_view text, size_t pos) {
  while (pos < text.size() && !IsBlank(text[pos]) && text[pos] != ',') {
    pos += IsLeadByte(text[pos]) ? 2 : 1;
  }
  return std::min(pos, text.size());
}

// Reads fields off the joined text in order. Line breaks are blanks like spaces, so where a
// line ends does not matter to the fields.
class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text), pos_(SkipBlanks(text, 0)) {}

  // Reads the next field into `field`, or returns false at the end of the text.
  bool Next(std::string& field) {
    if (pos_ >= text_.size()) return false;
    ++count_;
    if (text_[pos_] == '"') {
      pos_ = ReadQuoted(text_, pos_ + 1, field);
      if (pos_ == npos) pos_ = text_.size();
    } else {
      const size_t end = UnquotedEnd(text_, pos_);
      field.assign(text_.substr(pos_, end - pos_));
      pos_ = end;
    }
    pos_ = SkipBlanks(text_, pos_);
    // A comma ending the text would stand for one more empty field, but the joined text
    // always ends in a line break, so a trailing comma adds nothing.
    if (pos_ < text_.size() && text_[pos_] == ',') pos_ = SkipBlanks(text_, pos_ + 1);
    return true;
  }

  size_t count() const { return count_; }

 private:
  std::string_view text_;
  size_t pos_;
  size_t count_ = 0;
};

// A text that no file can hold would shift every field after it.
void CheckWritable(std::string_view text) {
  if (text.find('\0') != npos) {
    throw std::invalid_argument("a code-list text holds a NUL byte");
  }
  if (SplitsCharacter(text, text.size())) {
    throw std::invalid_argument("a code-list text ends in the first byte of a two-byte character");
  }
}

// Appends `line`, doubling each quote that is a character of its own.
void AppendDoublingQuotes(std::string& out, std::string_view line) {
  for (size_t quote; (quote = FindQuote(line, 0)) != npos; line.remove_prefix(quote + 1)) {
    out.append(line.substr(0, quote + 1)) += '"';
  }
  out.append(line);
}

// Appends the text with its quotes doubled and each line break as CR LF, which is what the
// reader makes of a lone CR or LF anyway. Returns the number of line breaks.
size_t AppendLines(std::string& out, std::string_view text) {
  size_t breaks = 0;
  ForEachLine(text, [&](std::string_view line, std::string_view line_break) {
    AppendDoublingQuotes(out, line);
    if (line_break.empty()) return;
    out.append(kCrLf);
    ++breaks;
  });
  return breaks;
}

bool EndsInLoneCr(std::string_view text) { return !text.empty() && text.back() == '\r'; }

// An unquoted field that runs into the end of its line keeps the line's CR when its last
// character is a lone lead byte. No quoted field can end in a CR, so such a text is written
// back unquoted, before the LF that completes its line break.
bool IsBareFieldEndingInCr(std::string_view text) {
  if (text.size() < 2 || !EndsInLoneCr(text) || text.front() == '"') return false;
  const std::string_view body = text.substr(0, text.size() - 1);
  return SplitsCharacter(body, body.size()) && UnquotedEnd(body, 0) == body.size() &&
         body.find('\r') == npos && body.find('\n') == npos;
}

// Appends one field and returns the line breaks it holds. `open_to_end` leaves the quote
// unclosed, the one form that keeps a lone CR at the very end of a file's last text.
size_t AppendField(std::string& out, std::string_view text, bool open_to_end) {
  CheckWritable(text);
  if (!open_to_end && IsBareFieldEndingInCr(text)) {
    out.append(text) += '\n';
    return 1;
  }
  out += '"';
  const size_t breaks = AppendLines(out, text);
  if (!open_to_end) out += '"';
  return breaks;
}

struct Formatted {
  std::string bytes;
  size_t breaks_in_texts = 0;
  bool ends_open = false;
};

size_t PlainSize(std::span<const CodeEntry> entries) {
  size_t size = 0;
  for (const CodeEntry& entry : entries) {
    if (!entry.data) throw ListIndexError(0);
    size += entry.name.size() + entry.data->size() + std::string_view("\"\",\"\"\r\n").size();
  }
  return size;
}

// The first `comma_separators` entries end with a comma instead of CR LF.
Formatted FormatEntries(std::span<const CodeEntry> entries, size_t comma_separators) {
  Formatted formatted;
  std::string& out = formatted.bytes;
  out.reserve(PlainSize(entries));
  for (size_t i = 0; i < entries.size(); ++i) {
    const bool last = i + 1 == entries.size();
    const std::string& data = *entries[i].data;
    formatted.ends_open = last && EndsInLoneCr(data);
    formatted.breaks_in_texts += AppendField(out, entries[i].name, false);
    out += ',';
    formatted.breaks_in_texts += AppendField(out, data, formatted.ends_open);
    if (formatted.ends_open) break;
    if (i < comma_separators && !last) {
      out += ',';
    } else {
      out.append(kCrLf);
    }
  }
  return formatted;
}

size_t CountLines(std::string_view text) {
  return ForEachLine(text, [](std::string_view, std::string_view) {});
}

// The lines from the one that holds the byte at `pos` to the end of the text.
UnreadLines LinesFrom(std::string_view text, size_t pos) {
  const std::string_view before = text.substr(0, pos);
  const bool starts_a_line = before.empty() || before.back() == '\r' || before.back() == '\n';
  const size_t whole_lines_before = CountLines(before) - (starts_a_line ? 0 : 1);
  return {whole_lines_before + 1, CountLines(text) - whole_lines_before};
}

}  // namespace

// The reader makes one row per line but pairs fields by position, not by line. A text holding
// line breaks therefore adds lines, and as many entries end with a comma instead of CR LF, so
// the file keeps one line per entry and every pair stays in place. A loaded list never holds
// more breaks than that leaves room for; a list that does gets surplus lines, and its load
// reports a missing field after all of its rows.
std::string FormatCodeList(std::span<const CodeEntry> entries) {
  Formatted formatted = FormatEntries(entries, 0);
  const size_t extra_lines = formatted.breaks_in_texts - (formatted.ends_open ? 1 : 0);
  if (extra_lines == 0) return std::move(formatted.bytes);
  return FormatEntries(entries, std::min(extra_lines, entries.size() - 1)).bytes;
}

LoadedCodeList ParseCodeList(std::string_view bytes) {
  const size_t nul = bytes.find('\0');
  const JoinedLines lines(bytes.substr(0, nul));
  FieldReader fields(lines.text());
  LoadedCodeList loaded;
  // Every line asks for a row. A row whose fields run out is not kept, so the list can always
  // be saved again; the error names the first missing field.
  for (size_t row = 0; row < lines.count(); ++row) {
    std::string name;
    std::string data;
    if (!fields.Next(name) || !fields.Next(data)) {
      loaded.error.emplace(static_cast<long long>(fields.count()));
      break;
    }
    loaded.entries.push_back({std::move(name), std::move(data)});
  }
  if (nul != npos) loaded.unread = LinesFrom(bytes, nul);
  return loaded;
}

void SaveCodeListFile(const std::filesystem::path& path, std::span<const CodeEntry> entries) {
  ReplaceFileAtomically(path, FormatCodeList(entries));
}

LoadedCodeList LoadCodeListFile(const std::filesystem::path& path) { return ParseCodeList(ReadWholeFile(path).bytes()); }

WholeFile ReadWholeFile(const std::filesystem::path& path) {
  try {
    return WholeFile(path);
  } catch (const std::system_error& error) {
    throw FileError(path, error.code().value(), "は開けません");
  }
}

}  // namespace brisvel
