// The field list: a table model over the fields of a definition, with the
// columns "Name", "Type", "Generator" and "Sample". The fields are the
// definition's own; the model only shows them and keeps the first sample of
// each, which the window refreshes.
//
// REQUIRES: the definition outlives the model; whoever changes its fields
// calls Reset (or the finer notifications) afterwards.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include "project/Project.h"

class FieldListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Column { kName, kType, kGenerator, kSample, kColumns };

  explicit FieldListModel(Project& definition, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // After the fields were replaced.
  void Reset();
  // After field `row` changed.
  void RowChanged(int row);
  // One sample a field, in list order (missing ones show empty).
  void SetSamples(QStringList samples);

 private:
  Project& definition_;
  QStringList samples_;
};
