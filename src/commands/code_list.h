#pragma once
// The code list: the application's only store of code entries, in the order they were
// captured or loaded, with the history of changes since then (undo and redo) and whether it
// differs from the file last saved or loaded.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/formats/code_entry.h"

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
  virtual void listChanging(const ListChange&) {}
  virtual void listChanged(const ListChange& change) = 0;
};

// Whether a data text is what the unit captures: 240 bytes as 480 hexadecimal digits.
bool IsCapturedCode(std::string_view data);

class CodeList {
 public:
  std::size_t size() const { return entries_.size(); }
  const std::vector<CodeEntry>& entries() const { return entries_; }
  const CodeEntry& at(std::size_t row) const { return entries_.at(row); }

  // Each of these is one step of the history.
  void append(CodeEntry entry);
  void remove(std::size_t row);
  void move(std::size_t from, std::size_t to);
  void rename(std::size_t row, std::string name);
  // Load: the file's rows replace the list, which then matches the file; the history starts anew.
  void replaceAll(std::vector<CodeEntry> entries);
  // A list restored after a crash: `unsaved_steps` changes not in any file, no history.
  void restore(std::vector<CodeEntry> entries, std::size_t unsaved_steps);

  bool canUndo() const { return done_ > 0; }
  bool canRedo() const { return done_ < history_.size(); }
  // The row the step touched, for the view to select; nothing when there was none.
  std::optional<std::size_t> undo();
  std::optional<std::size_t> redo();

  // Whether the list differs from the file last saved or loaded, and by how many steps.
  bool modified() const { return unsavedSteps() != 0; }
  std::size_t unsavedSteps() const;
  void markSaved();

  // Whether another row holds the same data text, and the first such row.
  bool repeated(std::size_t row) const;
  std::optional<std::size_t> sameCodeAs(std::size_t row) const;
  // The rows of each data text held more than once, in order of their first row.
  std::vector<std::vector<std::size_t>> repeatedCodes() const;

  void addObserver(CodeListObserver* observer);
  void removeObserver(CodeListObserver* observer);

 private:
  struct Step {
    enum class Kind { Insert, Remove, Move, Rename };
    Kind kind;
    std::size_t row;
    std::size_t to = 0;     // Move
    CodeEntry entry;        // Insert, Remove: the row; Rename: the other name in entry.name
  };

  void record(Step step);
  std::size_t apply(Step& step, bool forward);
  void insertRow(std::size_t row, CodeEntry entry);
  CodeEntry removeRow(std::size_t row);
  void moveRow(std::size_t from, std::size_t to);
  void swapName(std::size_t row, std::string& name);
  void resetRows(std::vector<CodeEntry> entries);
  void notifyChanging(const ListChange& change);
  void notifyChanged(const ListChange& change);
  void countCode(const CodeEntry& entry, int delta);

  std::vector<CodeEntry> entries_;
  std::vector<Step> history_;
  std::size_t done_ = 0;  // steps of history_ in effect
  // Where the list matched its file, as a count of steps in effect; when the steps that led
  // there were undone and replaced, the file is `saved_detour_` steps off the branch point.
  std::optional<std::size_t> saved_at_ = 0;
  std::size_t branch_ = 0;
  std::size_t saved_detour_ = 0;
  std::unordered_map<std::uint64_t, std::uint32_t> code_counts_;  // by hash of the data text
  std::vector<CodeListObserver*> observers_;
};

}  // namespace brisvel
