#include "quarnel/window/ConsoleModel.h"

namespace {

// Column `column` of `line`; null out of range. For const and mutable lines.
template <typename Line>
auto CellOf(Line& line, int column) -> decltype(&line.item) {
  switch (column) {
    case 0: return &line.item;
    case 1: return &line.state;
    case 2: return &line.inserted;
    case 3: return &line.rejected;
    case 4: return &line.note;
    default: return nullptr;
  }
}

}  // namespace

int ConsoleModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

int ConsoleModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant ConsoleModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  if (index.row() < 0 || index.row() >= rowCount()) return {};
  const std::string* cell = CellOf(lines_[static_cast<size_t>(index.row())], index.column());
  return cell ? QString::fromStdString(*cell) : QVariant();
}

QVariant ConsoleModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kHeaders[kColumnCount] = {"Table/Object", "Status", "Inserted/Created", "Rejected", "Note"};
  return section >= 0 && section < kColumnCount ? QString::fromLatin1(kHeaders[section]) : QVariant();
}

void ConsoleModel::clear() {
  beginResetModel();
  lines_.clear();
  endResetModel();
}

int ConsoleModel::appendLine(const std::string& item) {
  const int row = static_cast<int>(lines_.size());
  beginInsertRows({}, row, row);
  lines_.push_back({item, {}, {}, {}, {}});
  endInsertRows();
  return row;
}

int ConsoleModel::setCell(int row, int column, const std::string& text) {
  if (row < 0 || row >= rowCount()) return -1;
  std::string* cell = CellOf(lines_[static_cast<size_t>(row)], column);
  if (!cell) return -1;
  *cell = text;
  emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
  return row;
}
