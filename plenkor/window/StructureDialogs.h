// The dialogs of the structure files: what to import from which file, and
// in which form to export the field list.
#pragma once

#include <QDialog>

class QLineEdit;
class QRadioButton;

class ImportStructureDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit ImportStructureDialog(QWidget* parent);
  bool AsExample() const;
  QString File() const;

 private:
  QRadioButton* example_;
  QLineEdit* file_;
};

class ExportStructureDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit ExportStructureDialog(QWidget* parent);
  bool AsCreateTable() const;
  QString TableName() const;

 private:
  QRadioButton* createTable_;
  QLineEdit* tableName_;
};
