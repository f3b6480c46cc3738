#pragma once
// The registration window's view of the code list. Rows hold Shift-JIS bytes and are
// decoded only when shown, so what was loaded is written back unchanged. A row whose code
// another row holds too is marked, with a tooltip naming that row.
#include <QAbstractTableModel>

#include "commands/registration.h"

namespace brisvel {

class CodeListModel : public QAbstractTableModel, private CodeListObserver {
  Q_OBJECT

 public:
  enum Column { kNameColumn = 0, kDataColumn = 1 };
  explicit CodeListModel(Registration& commands, QObject* parent = nullptr);
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
  void markRepeatedCodesChanged();

  Registration& m_commands;
  const CodeList& m_list;
};

}  // namespace brisvel
