#include "app/code_list_model.h"

#include <QApplication>
#include <QStyle>

#include "core/formats/sjis.h"

namespace brisvel {
namespace {

QString Decode(const std::string& sjis) { return QString::fromStdString(sjis::ToUtf8(sjis)); }

int Row(std::size_t row) { return static_cast<int>(row); }

}  // namespace

CodeListModel::CodeListModel(Registration& commands, QObject* parent)
    : QAbstractTableModel(parent), m_commands(commands), m_list(commands.list()) {
  m_commands.list().addObserver(this);
}

CodeListModel::~CodeListModel() { m_commands.list().removeObserver(this); }

int CodeListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Row(m_list.size()); }

int CodeListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant CodeListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const auto row = static_cast<std::size_t>(index.row());
  const CodeEntry& entry = m_list.at(row);
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      if (index.column() == kNameColumn) return Decode(entry.name);
      return entry.data ? Decode(*entry.data) : QString();
    case Qt::DecorationRole:
      if (index.column() != kNameColumn || !m_list.repeated(row)) return {};
      return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    case Qt::ToolTipRole:
      if (!m_list.repeated(row)) return {};
      if (auto note = m_commands.repeatedCodeNote(row)) return QString::fromStdString(*note);
      return {};
    default:
      return {};
  }
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
  return m_commands.Rename(static_cast<std::size_t>(index.row()), value.toString().toStdString());
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
    case ListChange::Kind::Inserted:
      endInsertRows();
      markRepeatedCodesChanged();
      break;
    case ListChange::Kind::Removed:
      endRemoveRows();
      markRepeatedCodesChanged();
      break;
    case ListChange::Kind::Moved: endMoveRows(); break;
    case ListChange::Kind::Reset: endResetModel(); break;
    case ListChange::Kind::Renamed: emit dataChanged(index(Row(change.row), 0), index(Row(change.row), 0)); break;
  }
}

// A row's repeated-code mark depends on every other row.
void CodeListModel::markRepeatedCodesChanged() {
  if (rowCount() > 0) emit dataChanged(index(0, kNameColumn), index(rowCount() - 1, kNameColumn), {Qt::DecorationRole});
}

}  // namespace brisvel
