#pragma once
// The code list: the application's only store of code entries, in the order they were
// captured or loaded, and whether it differs from the file last saved or loaded.
#include <cstddef>
#include <string>
#include <vector>

#include "core/code_entry.h"

namespace brisvel {

// One change to the list, as a view needs to hear of it: before (to prepare) and after.
struct ListChange {
  enum class Kind { Inserted, Removed, Moved, Renamed, Reset };
  Kind kind;
  std::size_t row = 0;  // Inserted, Removed, Moved (from), Renamed
  std::size_t to = 0;   // Moved: the row it ends at
};

class CodeListObserver {
 public:
  virtual ~CodeListObserver() = default;
  virtual void listChanging(const ListChange& change) = 0;
  virtual void listChanged(const ListChange& change) = 0;
};

class CodeList {
 public:
  std::size_t size() const { return entries_.size(); }
  const std::vector<CodeEntry>& entries() const { return entries_; }
  const CodeEntry& at(std::size_t row) const { return entries_.at(row); }
  // Throws ListIndexError(0) for a row without data text.
  const std::string& dataAt(std::size_t row) const;

  // Whether the list differs from the file last saved or loaded.
  bool modified() const { return modified_; }

  void append(CodeEntry entry);
  void rename(std::size_t row, std::string name);
  // Load: the file's rows replace the list, which then matches the file.
  void replaceAll(std::vector<CodeEntry> entries);
  void markSaved() { modified_ = false; }

  // One observer at a time (the window's view); nullptr detaches it.
  void setObserver(CodeListObserver* observer) { observer_ = observer; }

 private:
  template <typename Change>
  void apply(const ListChange& change, Change&& edit);

  std::vector<CodeEntry> entries_;
  bool modified_ = false;
  CodeListObserver* observer_ = nullptr;
};

}  // namespace brisvel
