// The columns of a rule as a table: name, type, fill method and the one-line
// description of the column rule. A view over the rule's own list.
#pragma once

#include <QAbstractTableModel>
#include <vector>

struct ColumnRule;

// The names the user interface shows for the fill methods 0 to 12.
QString FillMethodName(int method);
inline constexpr int kFillMethodCount = 13;

class ColumnListModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit ColumnListModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
  // REQUIRES: `columns` outlives the model or is replaced before it goes.
  void setColumns(std::vector<ColumnRule>* columns);
  // The columns changed from outside: a row, or all of them.
  void RowChanged(int row);
  void Reset();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<ColumnRule>* columns_ = nullptr;
};
