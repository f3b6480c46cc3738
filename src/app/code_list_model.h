#pragma once
// The registration window's list: the only store of code entries. Rows hold Shift-JIS
// bytes and are decoded only when shown, so what was loaded is written back unchanged.
#include <QAbstractTableModel>

#include <string>
#include <vector>

#include "core/code_entry.h"

namespace brisvel {

class CodeListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kNameColumn = 0, kDataColumn = 1 };

  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // Editing the name takes text Shift-JIS can hold; other text is refused with nameRefused.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  void appendEntry(CodeEntry entry);
  void replaceAll(std::vector<CodeEntry> entries);
  void clear();
  const std::vector<CodeEntry>& entries() const { return m_entries; }
  const std::string& nameAt(int row) const;
  // Throws ListIndexError(0) for a row without data text.
  const std::string& dataAt(int row) const;

 signals:
  void nameRefused(const QString& text);

 private:
  std::vector<CodeEntry> m_entries;
};

}  // namespace brisvel
