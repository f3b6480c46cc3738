#pragma once
#include <optional>
#include <string>

namespace brisvel {

// One row of the code list. Both texts are Shift-JIS bytes, kept exactly as captured,
// typed or loaded. `data` is absent only while a row is being built.
struct CodeEntry {
  std::string name;
  std::optional<std::string> data;

  friend bool operator==(const CodeEntry&, const CodeEntry&) = default;
};

}  // namespace brisvel
