#pragma once
// What the code view shows of a row: its name, the pulse picture, the decoded line and the
// run list, made once for every front end, which only lays them out.
#include <cstddef>
#include <string>

#include "commands/code_list.h"
#include "core/signal/picture.h"

namespace brisvel {

// The view window's caption.
inline constexpr char kCodeViewCaption[] = "コードを表示";

struct CodeView {
  std::string name;     // UTF-8
  std::string summary;  // the decoded line: "NEC  address 0x04  command 0x08  ×2", "unknown", ...
  std::string details;  // the bit order used, a cut-off note, the run list; lines end in "\n"
  signal::Picture picture;
};

CodeView ViewOfRow(const CodeList& list, std::size_t row);

}  // namespace brisvel
