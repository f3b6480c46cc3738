#include "cli/row_choice.h"

#include "cli/exit_codes.h"
#include "cli/file_text.h"
#include "core/errors.h"
#include "core/formats/sjis.h"

namespace brisvel::cli {
namespace {

std::string RowNumbers(const std::vector<std::size_t>& rows) {
  std::string text;
  for (std::size_t row : rows) text += (text.empty() ? "" : ", ") + std::to_string(row + 1);
  return text;
}

std::size_t RowNamed(const std::vector<CodeEntry>& entries, const std::string& locale_name, Terminal& terminal) {
  const auto utf8 = terminal.FromLocale(locale_name);
  const auto bytes = utf8 ? sjis::FromUtf8(*utf8) : std::nullopt;
  std::vector<std::size_t> rows;
  for (std::size_t row = 0; row < entries.size(); ++row)
    if (bytes && entries[row].name == *bytes) rows.push_back(row);
  if (rows.size() == 1) return rows.front();
  terminal.Error(rows.empty() ? "no row is named " + locale_name
                              : "rows " + RowNumbers(rows) + " are all named " + locale_name + "; choose one with --row");
  throw Refused{kExitRefused};
}

}  // namespace

std::vector<CodeEntry> LoadRows(const std::filesystem::path& file, Terminal& terminal) {
  try {
    return LoadWholeCodeList(file);
  } catch (const UserError& error) {
    terminal.Error(error.what());
    throw Refused{kExitFileError};
  }
}

std::size_t ChosenRow(const std::vector<CodeEntry>& entries, const std::filesystem::path& file,
                      const std::optional<std::string>& locale_name, std::optional<std::size_t> row,
                      Terminal& terminal) {
  if (locale_name) return RowNamed(entries, *locale_name, terminal);
  if (*row == 0 || *row > entries.size()) {
    terminal.Error(file.string() + " has no row " + std::to_string(*row) + " (it has " +
                   std::to_string(entries.size()) + ")");
    throw Refused{kExitRefused};
  }
  return *row - 1;
}

}  // namespace brisvel::cli
