#include "plenkor/window/FieldListModel.h"

#include "plenkor/FlatFile.h"
#include "plenkor/window/GuiPrompt.h"

FieldListModel::FieldListModel(Project& definition, QObject* parent)
    : QAbstractTableModel(parent), definition_(definition) {}

int FieldListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Fields(definition_).size());
}

int FieldListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant FieldListModel::data(const QModelIndex& index, int role) const {
  const std::vector<ColumnRule>& fields = Fields(definition_);
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= static_cast<int>(fields.size())) return {};
  const ColumnRule& field = fields[static_cast<size_t>(index.row())];
  switch (index.column()) {
    case kName: return FromCore(field.Name);
    case kType: return FromCore(field.TypeName);
    case kGenerator: return FromCore(field.LibName);
    case kSample: return index.row() < samples_.size() ? samples_[index.row()] : QString();
    default: break;
  }
  return {};
}

QVariant FieldListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kHeaders[kColumns] = {"Name", "Type", "Generator", "Sample"};
  return section >= 0 && section < kColumns ? QString(kHeaders[section]) : QVariant();
}

void FieldListModel::Reset() {
  beginResetModel();
  samples_.clear();
  endResetModel();
}

void FieldListModel::RowChanged(int row) { emit dataChanged(index(row, 0), index(row, kColumns - 1)); }

void FieldListModel::SetSamples(QStringList samples) {
  samples_ = std::move(samples);
  if (rowCount() > 0) emit dataChanged(index(0, kSample), index(rowCount() - 1, kSample));
}
