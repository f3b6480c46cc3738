#include "app/code_list_model.h"

#include "core/sjis.h"

namespace brisvel {
namespace {

QString Decode(const std::string& sjis) { return QString::fromStdString(sjis::ToUtf8(sjis)); }

int Row(std::size_t row) { return static_cast<int>(row); }

}  // namespace

CodeListModel::CodeListModel(CodeList& list, Rename rename, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_rename(std::move(rename)) {
  m_list.setObserver(this);
}

CodeListModel::~CodeListModel() { m_list.setObserver(nullptr); }

int CodeListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Row(m_list.size()); }

int CodeListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant CodeListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  const CodeEntry& entry = m_list.at(static_cast<std::size_t>(index.row()));
  if (index.column() == kNameColumn) return Decode(entry.name);
  return entry.data ? Decode(*entry.data) : QString();
}

QVariant CodeListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return section == kNameColumn ? QStringLiteral("Name") : QStringLiteral("Data(240Byte)");
}

Qt::ItemFlags CodeListModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid() && index.column() == kNameColumn) flags |= Qt::ItemIsEditable;
  return flags;
}

bool CodeListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.column() != kNameColumn || role != Qt::EditRole) return false;
  return m_rename(static_cast<std::size_t>(index.row()), value.toString());
}

void CodeListModel::listChanging(const ListChange& change) {
  switch (change.kind) {
    case ListChange::Kind::Inserted: beginInsertRows({}, Row(change.row), Row(change.row)); break;
    case ListChange::Kind::Removed: beginRemoveRows({}, Row(change.row), Row(change.row)); break;
    case ListChange::Kind::Moved: {
      // Qt names the row the moved one lands before, counted before the move.
      const int before = Row(change.to > change.row ? change.to + 1 : change.to);
      beginMoveRows({}, Row(change.row), Row(change.row), {}, before);
      break;
    }
    case ListChange::Kind::Reset: beginResetModel(); break;
    case ListChange::Kind::Renamed: break;
  }
}

void CodeListModel::listChanged(const ListChange& change) {
  switch (change.kind) {
    case ListChange::Kind::Inserted: endInsertRows(); break;
    case ListChange::Kind::Removed: endRemoveRows(); break;
    case ListChange::Kind::Moved: endMoveRows(); break;
    case ListChange::Kind::Reset: endResetModel(); break;
    case ListChange::Kind::Renamed: emit dataChanged(index(Row(change.row), 0), index(Row(change.row), 0)); break;
  }
}

}  // namespace brisvel
