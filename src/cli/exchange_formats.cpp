#include "cli/exchange_formats.h"

#include <nlohmann/json.hpp>

namespace brisvel::cli {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kCsvHeader = "name,data";
constexpr std::string_view kCrLf = "\r\n";

std::string RowLabel(size_t row) { return "row " + std::to_string(row); }

// A spreadsheet runs a cell that starts with one of these as a formula (a tab or CR may hide
// one). The quote before it makes the cell text, and the reader takes one quote off every
// field, so a name that starts with a quote itself gets a second one.
constexpr std::string_view kFormulaStarts = "=+-@\t\r'";
constexpr char kTextMark = '\'';

// RFC 4180: a field holding a comma, a quote or a line break goes between quotes, with each
// quote doubled.
void AppendCsvField(std::string& out, std::string_view field) {
  const bool marked = !field.empty() && kFormulaStarts.find(field.front()) != std::string_view::npos;
  if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
    if (marked) out += kTextMark;
    out += field;
    return;
  }
  out += '"';
  if (marked) out += kTextMark;
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

// Room for every row as it stands, so the text is never copied as it grows.
size_t PlainSize(std::span<const TextRow> rows, size_t per_row) {
  size_t size = 0;
  for (const TextRow& row : rows) size += row.name.size() + row.data.size() + per_row;
  return size;
}

std::string WriteCsv(std::span<const TextRow> rows) {
  std::string out(kByteOrderMark);
  out.reserve(kByteOrderMark.size() + kCsvHeader.size() + PlainSize(rows, 4));
  out.append(kCsvHeader).append(kCrLf);
  for (const TextRow& row : rows) {
    AppendCsvField(out, row.name);
    out += ',';
    AppendCsvField(out, row.data);
    out.append(kCrLf);
  }
  return out;
}

void TakeOffTextMark(std::string& field) {
  if (!field.empty() && field.front() == kTextMark) field.erase(0, 1);
}

// Reads CSV records. Lines end in CR LF, LF or CR; a quoted field may hold any of them.
// Empty lines are skipped, as spreadsheets leave them at the end.
class CsvReader {
 public:
  explicit CsvReader(std::string_view text) : text_(text) {
    if (text_.starts_with(kByteOrderMark)) pos_ = kByteOrderMark.size();
  }

  // The next record's fields, or false at the end. `label` names the record in errors.
  bool Next(std::vector<std::string>& fields, const std::string& label) {
    while (pos_ < text_.size() && IsBreak(text_[pos_])) SkipBreak();
    if (pos_ >= text_.size()) return false;
    fields.clear();
    for (;;) {
      fields.push_back(text_[pos_] == '"' ? Quoted(label) : Bare());
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && !IsBreak(text_[pos_])) throw FormatError(label + ": text after a closing quote");
      SkipBreak();
      return true;
    }
  }

 private:
  static bool IsBreak(char c) { return c == '\r' || c == '\n'; }

  void SkipBreak() {
    if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  }

  std::string Bare() {
    const size_t end = std::min(text_.find_first_of(",\r\n", pos_), text_.size());
    std::string field(text_.substr(pos_, end - pos_));
    pos_ = end;
    return field;
  }

  std::string Quoted(const std::string& label) {
    std::string field;
    for (++pos_;;) {
      const size_t quote = text_.find('"', pos_);
      if (quote == std::string_view::npos) throw FormatError(label + ": a quoted field is not closed");
      field.append(text_.substr(pos_, quote - pos_));
      pos_ = quote + 1;
      if (pos_ >= text_.size() || text_[pos_] != '"') return field;
      field += '"';
      ++pos_;
    }
  }

  std::string_view text_;
  size_t pos_ = 0;
};

std::vector<TextRow> ReadCsv(std::string_view text) {
  CsvReader reader(text);
  std::vector<std::string> fields;
  if (!reader.Next(fields, "line 1") || fields.size() != 2 || fields[0] != "name" || fields[1] != "data") {
    throw FormatError("line 1: the header name,data is missing");
  }
  std::vector<TextRow> rows;
  while (reader.Next(fields, RowLabel(rows.size() + 1))) {
    if (fields.size() != 2) {
      throw FormatError(RowLabel(rows.size() + 1) + ": 2 fields expected, " + std::to_string(fields.size()) +
                        " found");
    }
    for (std::string& field : fields) TakeOffTextMark(field);
    rows.push_back({std::move(fields[0]), std::move(fields[1])});
  }
  return rows;
}

// As nlohmann's dump(2) of the array lays it out, written row by row so that the list is not
// held a third time as JSON values.
std::string WriteJson(std::span<const TextRow> rows) {
  if (rows.empty()) return "[]\n";
  std::string out = "[\n";
  out.reserve(PlainSize(rows, 48));
  for (const TextRow& row : rows) {
    if (&row != &rows.front()) out += ",\n";
    out.append("  {\n    \"name\": ").append(nlohmann::json(row.name).dump());
    out.append(",\n    \"data\": ").append(nlohmann::json(row.data).dump()).append("\n  }");
  }
  out.append("\n]\n");
  return out;
}

std::string JsonText(const nlohmann::json& object, const char* key, const std::string& label) {
  const auto field = object.find(key);
  if (field == object.end() || !field->is_string()) throw FormatError(label + ": no \"" + key + "\" text");
  return field->get<std::string>();
}

std::vector<TextRow> ReadJson(std::string_view text) {
  nlohmann::json array;
  try {
    array = nlohmann::json::parse(text);
  } catch (const nlohmann::json::parse_error& error) {
    throw FormatError(std::string("not JSON: ") + error.what());
  }
  if (!array.is_array()) throw FormatError("not a JSON array of {\"name\", \"data\"} objects");
  std::vector<TextRow> rows;
  for (const nlohmann::json& object : array) {
    const std::string label = RowLabel(rows.size() + 1);
    if (!object.is_object()) throw FormatError(label + ": not an object");
    rows.push_back({JsonText(object, "name", label), JsonText(object, "data", label)});
  }
  return rows;
}

}  // namespace

std::string WriteExchange(ExchangeFormat format, std::span<const TextRow> rows) {
  return format == ExchangeFormat::Csv ? WriteCsv(rows) : WriteJson(rows);
}

std::vector<TextRow> ReadExchange(ExchangeFormat format, std::string_view text) {
  return format == ExchangeFormat::Csv ? ReadCsv(text) : ReadJson(text);
}

ExchangeFormat GuessExchangeFormat(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  const size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] == '[' ? ExchangeFormat::Json : ExchangeFormat::Csv;
}

}  // namespace brisvel::cli
