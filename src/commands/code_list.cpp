#include "commands/code_list.h"

#include "core/errors.h"

namespace brisvel {

const std::string& CodeList::dataAt(std::size_t row) const {
  const auto& data = entries_.at(row).data;
  if (!data) throw ListIndexError(0);
  return *data;
}

template <typename Change>
void CodeList::apply(const ListChange& change, Change&& edit) {
  if (observer_) observer_->listChanging(change);
  edit();
  if (observer_) observer_->listChanged(change);
}

void CodeList::append(CodeEntry entry) {
  apply({ListChange::Kind::Inserted, entries_.size()}, [&] { entries_.push_back(std::move(entry)); });
  modified_ = true;
}

void CodeList::rename(std::size_t row, std::string name) {
  CodeEntry& entry = entries_.at(row);
  apply({ListChange::Kind::Renamed, row}, [&] { entry.name = std::move(name); });
  modified_ = true;
}

void CodeList::replaceAll(std::vector<CodeEntry> entries) {
  apply({ListChange::Kind::Reset}, [&] { entries_ = std::move(entries); });
  modified_ = false;
}

}  // namespace brisvel
