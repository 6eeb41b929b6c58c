// The findings of the database schema check: a read-only table of the
// differences between the project's data rules and the database (table,
// column, what differs) that the user can select from and copy whole. It is
// not modal, so the project stays at hand while the rules are mended.
#pragma once

#include <QDialog>
#include <vector>

#include "engine/Generator.h"

class QLabel;
class QTableView;
class SchemaDifferenceModel;

class SchemaDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit SchemaDialog(QWidget* parent = nullptr);

  // Shows `differences` in place of the ones shown before.
  void SetDifferences(std::vector<SchemaDifference> differences);
  // What the copy button puts on the clipboard.
  QString Text() const;
  QTableView& list() { return *list_; }

 private:
  void Copy();

  SchemaDifferenceModel* model_;
  QLabel* summary_;
  QTableView* list_;
};
