#include "cli/show_command.h"

#include <vector>

#include "cli/exit_codes.h"
#include "cli/pulse_text.h"
#include "cli/row_choice.h"
#include "commands/code_view.h"
#include "core/errors.h"
#include "core/files/atomic_file.h"

namespace brisvel::cli {
namespace {

void ShowRow(const CodeList& list, std::size_t row, Terminal& terminal) {
  const CodeView view = ViewOfRow(list, row);
  terminal.Out(std::to_string(row + 1) + " " + view.name);
  terminal.Out(view.summary);
  if (view.picture.length_us > 0) terminal.Out(PulseLine(view.picture));
}

// Throws Refused.
void WriteSvg(const CodeList& list, const std::vector<std::size_t>& rows, const std::filesystem::path& svg,
              Terminal& terminal) {
  if (rows.size() != 1) {
    terminal.Error("--svg draws one row: choose it with --row or --name");
    throw Refused{kExitUsage};
  }
  try {
    WriteOutputFile(svg, PulseSvg(ViewOfRow(list, rows.front()).picture));
  } catch (const UserError& error) {
    terminal.Error(error.what());
    throw Refused{kExitFileError};
  }
}

}  // namespace

int RunShow(const ShowOptions& options, Terminal& terminal) {
  try {
    CodeList list;
    list.replaceAll(LoadRows(options.file, terminal));
    std::vector<std::size_t> rows;
    if (options.name || options.row) {
      rows.push_back(ChosenRow(list.entries(), options.file, options.name, options.row, terminal));
    } else {
      for (std::size_t row = 0; row < list.size(); ++row) rows.push_back(row);
    }
    if (options.svg) WriteSvg(list, rows, *options.svg, terminal);
    for (std::size_t row : rows) ShowRow(list, row, terminal);
    return kExitOk;
  } catch (const Refused& refused) {
    return refused.status;
  }
}

}  // namespace brisvel::cli
