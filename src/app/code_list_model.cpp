#include "app/code_list_model.h"

#include "core/errors.h"
#include "core/sjis.h"

namespace brisvel {
namespace {

QString Decode(const std::string& sjis) { return QString::fromStdString(sjis::ToUtf8(sjis)); }

}  // namespace

int CodeListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int CodeListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 2; }

QVariant CodeListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  const CodeEntry& entry = m_entries[static_cast<size_t>(index.row())];
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
  const QString text = value.toString();
  auto bytes = sjis::FromUtf8(text.toStdString());
  if (!bytes) {
    emit nameRefused(text);
    return false;
  }
  m_entries[static_cast<size_t>(index.row())].name = std::move(*bytes);
  emit dataChanged(index, index);
  return true;
}

void CodeListModel::appendEntry(CodeEntry entry) {
  const int row = rowCount();
  beginInsertRows({}, row, row);
  m_entries.push_back(std::move(entry));
  endInsertRows();
}

void CodeListModel::replaceAll(std::vector<CodeEntry> entries) {
  beginResetModel();
  m_entries = std::move(entries);
  endResetModel();
}

void CodeListModel::clear() { replaceAll({}); }

const std::string& CodeListModel::nameAt(int row) const { return m_entries.at(static_cast<size_t>(row)).name; }

const std::string& CodeListModel::dataAt(int row) const {
  const auto& data = m_entries.at(static_cast<size_t>(row)).data;
  if (!data) throw ListIndexError(0);
  return *data;
}

}  // namespace brisvel
