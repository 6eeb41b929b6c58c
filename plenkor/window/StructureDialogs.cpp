#include "plenkor/window/StructureDialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "plenkor/window/FileFilters.h"

namespace {

// OK and Cancel under the dialog's rows.
QDialogButtonBox* Buttons(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

}  // namespace

ImportStructureDialog::ImportStructureDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Import File Structure");
  setObjectName("importDialog");
  auto* rows = new QRadioButton("The file contains one row per target column: Name,Type[,Size]");
  rows->setChecked(true);
  example_ = new QRadioButton("Use the following file as example ");
  example_->setObjectName("asExample");
  file_ = new QLineEdit;
  file_->setObjectName("importFile");
  auto* browse = new QPushButton("...");
  auto* layout = new QGridLayout(this);
  layout->addWidget(rows, 0, 0, 1, 2);
  layout->addWidget(example_, 1, 0, 1, 2);
  layout->addWidget(file_, 2, 0);
  layout->addWidget(browse, 2, 1);
  QDialogButtonBox* buttons = Buttons(this);
  layout->addWidget(buttons, 3, 0, 1, 2);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  ok->setEnabled(false);
  connect(file_, &QLineEdit::textChanged, ok, [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString chosen = QFileDialog::getOpenFileName(this, windowTitle(), file_->text(), QtFilter(kTextFileFilter));
    if (!chosen.isEmpty()) file_->setText(chosen);
  });
}

bool ImportStructureDialog::AsExample() const { return example_->isChecked(); }
QString ImportStructureDialog::File() const { return file_->text().trimmed(); }

ExportStructureDialog::ExportStructureDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle("Export File Structure");
  setObjectName("exportDialog");
  auto* rows = new QRadioButton("One row per column: Name,Type[,Size]");
  rows->setChecked(true);
  createTable_ = new QRadioButton("Export as CREATE TABLE statement. Table name is :");
  createTable_->setObjectName("asCreateTable");
  tableName_ = new QLineEdit;
  tableName_->setObjectName("tableName");
  auto* layout = new QGridLayout(this);
  layout->addWidget(rows, 0, 0, 1, 2);
  layout->addWidget(createTable_, 1, 0);
  layout->addWidget(tableName_, 1, 1);
  layout->addWidget(Buttons(this), 2, 0, 1, 2);
}

bool ExportStructureDialog::AsCreateTable() const { return createTable_->isChecked(); }
QString ExportStructureDialog::TableName() const { return tableName_->text().trimmed(); }
