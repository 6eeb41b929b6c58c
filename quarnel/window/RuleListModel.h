// RuleListModel: the project page's rule list over the open project's rules.
// Each row has a check box (the rules that "checked" commands use), and the
// columns kind, table, insert mode, rows and transaction size. Disabled rules
// are shown greyed.
//
// While a worker thread owns the project (a load, a save, a run) the model is
// detached and shows no rows, so that painting never reads what the worker
// writes.
//
// REQUIRES: `document` outlives the model; used on the interface thread.
#pragma once

#include <QAbstractTableModel>
#include <vector>

class ProjectDocument;

class RuleListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kTable, kKind, kInsertMode, kRows, kTransactionSize, kColumnCount };

  explicit RuleListModel(ProjectDocument& document, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // Detaches from the project (true) or shows it again, as it now is (false).
  void setDetached(bool detached);
  // The project was replaced or changed as a whole: shows it anew; every rule
  // starts unchecked.
  void reload();

  std::vector<bool> checked() const { return checked_; }
  // Indexes of the checked rules, ascending.
  std::vector<int> checkedRows() const;
  void setChecked(int row, bool checked);

  // Edits; each marks the document modified and emits edited(). A row out of
  // range, or a move past either end, changes nothing and returns false.
  bool moveUp(int row);
  bool moveDown(int row);
  bool duplicate(int row);
  bool remove(int row);

 signals:
  void edited();

 private:
  bool valid(int row) const;
  void swapRows(int first);
  void changed();

  ProjectDocument& document_;
  std::vector<bool> checked_;
  bool detached_ = false;
};
