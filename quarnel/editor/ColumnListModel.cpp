#include "quarnel/editor/ColumnListModel.h"

#include <array>

#include "project/Project.h"

QString FillMethodName(int method) {
  static const std::array<const char*, kFillMethodCount> kNames = {
      "Random Value", "Linked Database Table", "Value List",   "Disk File",        "Ignore",
      "Value Library", "Incremental",          "Pattern or reg.expression", "SQL Statement",
      "Computed",     "Group Item",            "Custom Generator",          "Named Generator"};
  return method >= 0 && method < kFillMethodCount ? kNames[static_cast<size_t>(method)] : QString();
}

void ColumnListModel::setColumns(std::vector<ColumnRule>* columns) {
  beginResetModel();
  columns_ = columns;
  endResetModel();
}

void ColumnListModel::RowChanged(int row) {
  if (row >= 0 && row < rowCount()) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void ColumnListModel::Reset() {
  beginResetModel();
  endResetModel();
}

int ColumnListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !columns_ ? 0 : static_cast<int>(columns_->size());
}

int ColumnListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 4; }

QVariant ColumnListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
  const ColumnRule& column = (*columns_)[static_cast<size_t>(index.row())];
  switch (index.column()) {
    case 0: return QString::fromStdString(column.Name);
    case 1: return QString::fromStdString(column.TypeName);
    case 2: return FillMethodName(column.Method);
    default: return QString::fromStdString(DescribeColumnRule(column));
  }
}

QVariant ColumnListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[] = {"Column", "Type", "Fill method", "Description"};
  return section >= 0 && section < 4 ? QString(kTitles[section]) : QVariant();
}
