#pragma once
// The registration window's view of the code list. Rows hold Shift-JIS bytes and are
// decoded only when shown, so what was loaded is written back unchanged.
#include <QAbstractTableModel>

#include <functional>

#include "commands/code_list.h"

namespace brisvel {

class CodeListModel : public QAbstractTableModel, private CodeListObserver {
  Q_OBJECT

 public:
  enum Column { kNameColumn = 0, kDataColumn = 1 };
  // The in-place edit of a name, handed to the command that decides; false refuses it.
  using Rename = std::function<bool(std::size_t row, const QString& name)>;

  CodeListModel(CodeList& list, Rename rename, QObject* parent = nullptr);
  ~CodeListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  void listChanging(const ListChange& change) override;
  void listChanged(const ListChange& change) override;

  CodeList& m_list;
  Rename m_rename;
};

}  // namespace brisvel
