// ConsoleModel: the execution console's list, five texts a line ("Table/Object",
// "Status", "Inserted/Created", "Rejected", "Note"), filled from the engine's
// console messages and read by the execution report.
#pragma once

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "quarnel/Reports.h"

class ConsoleModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kColumnCount = 5;

  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  void clear();
  // Appends a line with `item` in its first column; returns its row.
  int appendLine(const std::string& item);
  // Sets one cell; a row or column out of range is ignored. Returns the row
  // it changed, or -1.
  int setCell(int row, int column, const std::string& text);
  int lastRow() const { return static_cast<int>(lines_.size()) - 1; }
  const std::vector<ConsoleLine>& lines() const { return lines_; }

 private:
  std::vector<ConsoleLine> lines_;
};
