#include "cli/check_command.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <vector>

#include "cli/exit_codes.h"
#include "cli/file_text.h"
#include "cli/heap.h"
#include "commands/code_list.h"
#include "core/formats/capture_exchange.h"
#include "core/formats/code_list_file.h"
#include "core/formats/text_lines.h"
#include "core/formats/sjis.h"
#include "core/signal/decode.h"

namespace brisvel::cli {
namespace {

// Each line with its break, as the reader counts lines.
std::vector<std::string_view> LinesWithBreaks(std::string_view text) {
  std::vector<std::string_view> lines;
  ForEachLine(text, [&](std::string_view line, std::string_view line_break) {
    lines.emplace_back(line.data(), line.size() + line_break.size());
  });
  return lines;
}

// The file's lines (1-based) that saving would not write as they are. Lines are matched in
// order, and a line that saving drops (a blank one, say) does not put the rest out of step.
std::vector<size_t> LinesRewritten(std::string_view file, std::string_view saved) {
  const auto have = LinesWithBreaks(file);
  const auto want = LinesWithBreaks(saved);
  std::vector<size_t> rewritten;
  size_t i = 0, j = 0;
  for (; i < have.size(); ++i) {
    if (j < want.size() && have[i] == want[j]) {
      ++j;
      continue;
    }
    rewritten.push_back(i + 1);
    const bool dropped = j < want.size() && i + 1 < have.size() && have[i + 1] == want[j];
    if (!dropped) ++j;
  }
  // Saving would add lines after the last one.
  if (j < want.size() && !have.empty() && (rewritten.empty() || rewritten.back() != have.size())) {
    rewritten.push_back(have.size());
  }
  return rewritten;
}

// "1-3, 7, 9-10" for ascending numbers.
std::string Ranges(const std::vector<size_t>& numbers) {
  std::string text;
  for (size_t i = 0; i < numbers.size();) {
    size_t last = i;
    while (last + 1 < numbers.size() && numbers[last + 1] == numbers[last] + 1) ++last;
    if (!text.empty()) text += ", ";
    text += std::to_string(numbers[i]);
    if (last > i) text.append("-").append(std::to_string(numbers[last]));
    i = last + 1;
  }
  return text;
}

std::string Plural(const char* word, const std::vector<size_t>& numbers) {
  return std::string(word) + (numbers.size() == 1 ? " " : "s ") + Ranges(numbers);
}

// The problems found, in the order they are told.
using Problems = std::vector<std::string>;

void AddRows(Problems& problems, const char* what, const std::vector<size_t>& rows) {
  if (!rows.empty()) problems.push_back(Plural("row", rows) + ": " + what);
}

Problems RowProblems(const CodeList& list) {
  Problems problems;
  std::vector<size_t> without_data, not_codes;
  for (size_t row = 1; row <= list.size(); ++row) {
    const std::string& data = *list.at(row - 1).data;
    if (data.empty()) {
      without_data.push_back(row);
    } else if (!IsCapturedCode(data)) {
      not_codes.push_back(row);
    }
  }
  AddRows(problems, "no data text", without_data);
  AddRows(problems, "data text is not 480 hexadecimal digits", not_codes);

  for (const auto& rows : list.repeatedCodes()) {
    if (list.at(rows.front()).data->empty()) continue;  // told above as rows without data
    std::string names;
    std::vector<size_t> numbers;
    for (size_t row : rows) {
      names += (names.empty() ? "\"" : ", \"") + sjis::ToUtf8(list.at(row).name) + "\"";
      numbers.push_back(row + 1);
    }
    problems.push_back("rows " + Ranges(numbers) + ": the same code (" + names + ")");
  }
  return problems;
}

// Codes that read as captured but may not be what the user meant to capture: the remote's
// signal was still going at the end, or it is no format the decoder knows.
Problems CodeHints(const CodeList& list) {
  Problems hints;
  for (size_t row = 0; row < list.size(); ++row) {
    const auto code = CodeOfHexText(list.at(row).data.value_or(""));
    if (!code) continue;  // told as a problem
    const signal::Decoded decoded = signal::Decode(*code);
    std::string hint = decoded.frames.empty() ? "the code decodes as no known protocol" : "";
    if (decoded.cut_off) hint += std::string(hint.empty() ? "the code" : " and") + " is cut off at 192 ms";
    if (!hint.empty()) hints.push_back("hint: row " + std::to_string(row + 1) + ": " + hint);
  }
  return hints;
}

// The row a load stopped at: its name field is missing too when the error's index is even.
std::string UnfinishedRow(const LoadedCodeList& loaded) {
  const size_t row = loaded.entries.size() + 1;
  const bool name_missing = loaded.error->index() % 2 == 0;
  return "row " + std::to_string(row) + ": " + (name_missing ? "no name and no data text" : "no data text") +
         "; loading stops there (" + loaded.error->what() + ")";
}

// What a load tells of the rows, and the text saving would write for them.
struct RowReport {
  size_t rows;
  Problems problems;
  std::string saved;
  Problems hints;  // told after the problems; they do not make the check fail
};

RowReport ReportOnRows(LoadedCodeList loaded) {
  RowReport report{loaded.entries.size(), {}, FormatCodeList(loaded.entries), {}};
  if (loaded.unread) report.problems.push_back(UnreadLinesMessage(*loaded.unread));
  if (loaded.error) report.problems.push_back(UnfinishedRow(loaded));
  CodeList list;
  list.replaceAll(std::move(loaded.entries));
  std::ranges::move(RowProblems(list), std::back_inserter(report.problems));
  report.hints = CodeHints(list);
  return report;
}

}  // namespace

// Holds no more than two copies of the list at a time: the rows and the text saving would
// write, then that text and the file, which is read again for the comparison. What a pipe
// gave cannot be read again, so it is held.
int RunCheck(const std::filesystem::path& file, Terminal& terminal) {
  try {
    std::error_code unknown;
    std::string piped;
    if (!std::filesystem::is_regular_file(file, unknown)) piped = ReadWholeFile(file).bytes();
    RowReport report = ReportOnRows(piped.empty() ? LoadCodeListFile(file) : ParseCodeList(piped));
    ReleaseFreedHeap();
    terminal.Out(file.string() + ": " + std::to_string(report.rows) + " rows");
    const std::vector<size_t> rewritten =
        piped.empty() ? LinesRewritten(ReadWholeFile(file).bytes(), report.saved) : LinesRewritten(piped, report.saved);
    if (!rewritten.empty()) {
      report.problems.insert(report.problems.begin(), Plural("line", rewritten) + ": saving would write differently");
    }
    for (const std::string& problem : report.problems) terminal.Out(problem);
    for (const std::string& hint : report.hints) terminal.Out(hint);
    return report.problems.empty() ? kExitOk : kExitRefused;
  } catch (const UserError& error) {
    terminal.Error(error.what());
    return kExitFileError;
  }
}

}  // namespace brisvel::cli
