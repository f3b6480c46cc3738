#include "commands/code_list.h"

#include <algorithm>
#include <functional>
#include <string_view>

#include "core/formats/capture_exchange.h"

namespace brisvel {
namespace {

std::uint64_t CodeHash(const std::string& data) { return std::hash<std::string_view>{}(data); }

std::size_t Distance(std::size_t a, std::size_t b) { return a > b ? a - b : b - a; }

}  // namespace

bool IsCapturedCode(std::string_view data) { return CodeOfHexText(data).has_value(); }

void CodeList::append(CodeEntry entry) { record({Step::Kind::Insert, entries_.size(), 0, std::move(entry)}); }

void CodeList::remove(std::size_t row) {
  if (row >= entries_.size()) return;
  record({Step::Kind::Remove, row, 0, {}});
}

void CodeList::move(std::size_t from, std::size_t to) {
  if (from >= entries_.size() || to >= entries_.size() || from == to) return;
  record({Step::Kind::Move, from, to, {}});
}

void CodeList::rename(std::size_t row, std::string name) {
  if (row >= entries_.size()) return;
  record({Step::Kind::Rename, row, 0, {std::move(name), std::nullopt}});
}

void CodeList::replaceAll(std::vector<CodeEntry> entries) {
  resetRows(std::move(entries));
  saved_at_ = 0;
}

void CodeList::restore(std::vector<CodeEntry> entries, std::size_t unsaved_steps) {
  resetRows(std::move(entries));
  saved_at_.reset();
  branch_ = 0;
  saved_detour_ = std::max<std::size_t>(unsaved_steps, 1);
}

void CodeList::resetRows(std::vector<CodeEntry> entries) {
  notifyChanging({ListChange::Kind::Reset});
  entries_ = std::move(entries);
  code_counts_.clear();
  for (const CodeEntry& entry : entries_) countCode(entry, +1);
  notifyChanged({ListChange::Kind::Reset});
  history_.clear();
  done_ = 0;
}

// A new step drops the steps undone before it; if the file's state was among them, the
// list can no longer get back there, and the distance to it is kept as a detour.
void CodeList::record(Step step) {
  if (done_ < history_.size()) {
    if (!saved_at_ || *saved_at_ > done_) {
      saved_detour_ = unsavedSteps();
      branch_ = done_;
      saved_at_.reset();
    }
    history_.resize(done_);
  }
  history_.push_back(std::move(step));
  apply(history_.back(), true);
  ++done_;
}

std::optional<std::size_t> CodeList::undo() {
  if (!canUndo()) return std::nullopt;
  --done_;
  std::size_t row = apply(history_[done_], false);
  return row < entries_.size() ? std::optional(row) : std::nullopt;
}

std::optional<std::size_t> CodeList::redo() {
  if (!canRedo()) return std::nullopt;
  std::size_t row = apply(history_[done_], true);
  ++done_;
  return row < entries_.size() ? std::optional(row) : std::nullopt;
}

// Applies the step or its inverse; returns the row to select afterwards.
std::size_t CodeList::apply(Step& step, bool forward) {
  const bool inserts = (step.kind == Step::Kind::Insert) == forward;
  switch (step.kind) {
    case Step::Kind::Insert:
    case Step::Kind::Remove:
      if (inserts) {
        insertRow(step.row, step.entry);
        return step.row;
      }
      step.entry = removeRow(step.row);
      return std::min(step.row, entries_.empty() ? 0 : entries_.size() - 1);
    case Step::Kind::Move:
      forward ? moveRow(step.row, step.to) : moveRow(step.to, step.row);
      return forward ? step.to : step.row;
    case Step::Kind::Rename:
      swapName(step.row, step.entry.name);
      return step.row;
  }
  return step.row;
}

void CodeList::insertRow(std::size_t row, CodeEntry entry) {
  notifyChanging({ListChange::Kind::Inserted, row});
  countCode(entry, +1);
  entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(row), std::move(entry));
  notifyChanged({ListChange::Kind::Inserted, row});
}

CodeEntry CodeList::removeRow(std::size_t row) {
  notifyChanging({ListChange::Kind::Removed, row});
  auto at = entries_.begin() + static_cast<std::ptrdiff_t>(row);
  CodeEntry entry = std::move(*at);
  entries_.erase(at);
  countCode(entry, -1);
  notifyChanged({ListChange::Kind::Removed, row});
  return entry;
}

void CodeList::moveRow(std::size_t from, std::size_t to) {
  notifyChanging({ListChange::Kind::Moved, from, to});
  auto first = entries_.begin();
  const auto f = static_cast<std::ptrdiff_t>(from);
  const auto t = static_cast<std::ptrdiff_t>(to);
  if (from < to)
    std::rotate(first + f, first + f + 1, first + t + 1);
  else
    std::rotate(first + t, first + f, first + f + 1);
  notifyChanged({ListChange::Kind::Moved, from, to});
}

void CodeList::swapName(std::size_t row, std::string& name) {
  notifyChanging({ListChange::Kind::Renamed, row});
  std::swap(entries_[row].name, name);
  notifyChanged({ListChange::Kind::Renamed, row});
}

std::size_t CodeList::unsavedSteps() const {
  if (saved_at_) return Distance(done_, *saved_at_);
  return Distance(done_, branch_) + saved_detour_;
}

void CodeList::markSaved() { saved_at_ = done_; }

void CodeList::countCode(const CodeEntry& entry, int delta) {
  if (!entry.data) return;
  auto& count = code_counts_[CodeHash(*entry.data)];
  count = static_cast<std::uint32_t>(static_cast<int>(count) + delta);
}

bool CodeList::repeated(std::size_t row) const {
  const auto& data = entries_.at(row).data;
  if (!data) return false;
  auto found = code_counts_.find(CodeHash(*data));
  return found != code_counts_.end() && found->second > 1;
}

std::optional<std::size_t> CodeList::sameCodeAs(std::size_t row) const {
  if (!repeated(row)) return std::nullopt;
  for (std::size_t other = 0; other < entries_.size(); ++other)
    if (other != row && entries_[other].data == entries_[row].data) return other;
  return std::nullopt;
}

std::vector<std::vector<std::size_t>> CodeList::repeatedCodes() const {
  std::vector<std::vector<std::size_t>> groups;
  std::unordered_map<std::string_view, std::size_t> group_of_code;
  for (std::size_t row = 0; row < entries_.size(); ++row) {
    if (!repeated(row)) continue;
    const auto [group, added] = group_of_code.try_emplace(*entries_[row].data, groups.size());
    if (added) groups.emplace_back();
    groups[group->second].push_back(row);
  }
  // Two texts whose hashes collide are counted together but group apart.
  std::erase_if(groups, [](const auto& rows) { return rows.size() < 2; });
  return groups;
}

void CodeList::addObserver(CodeListObserver* observer) { observers_.push_back(observer); }

void CodeList::removeObserver(CodeListObserver* observer) { std::erase(observers_, observer); }

void CodeList::notifyChanging(const ListChange& change) {
  for (auto* observer : observers_) observer->listChanging(change);
}

void CodeList::notifyChanged(const ListChange& change) {
  for (auto* observer : observers_) observer->listChanged(change);
}

}  // namespace brisvel
