#pragma once
// The code list as UTF-8 text for other programs: CSV (RFC 4180, with a byte-order mark so
// spreadsheets take it as UTF-8, and a header line name,data; a cell a spreadsheet would take
// for a formula gets a leading ', which reading takes off again) or JSON (an array of
// {"name", "data"} objects).
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brisvel::cli {

enum class ExchangeFormat { Csv, Json };

struct TextRow {
  std::string name;  // UTF-8
  std::string data;
};

// A text that cannot be read; what() names the row (or line) where reading stopped.
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string WriteExchange(ExchangeFormat format, std::span<const TextRow> rows);

// Throws FormatError.
std::vector<TextRow> ReadExchange(ExchangeFormat format, std::string_view text);

// JSON when the text, after a byte-order mark and blanks, starts an array; CSV otherwise.
ExchangeFormat GuessExchangeFormat(std::string_view text);

}  // namespace brisvel::cli
