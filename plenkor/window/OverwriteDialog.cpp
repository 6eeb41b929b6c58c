#include "plenkor/window/OverwriteDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

OverwriteDialog::OverwriteDialog(const QString& file, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Output File");
  setObjectName("overwriteDialog");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel("The output file is already exists :"));
  auto* name = new QLabel(file);
  name->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(name);
  layout->addWidget(new QLabel("Do you wish to overwrite it?"));
  remember_ = new QCheckBox("Save my choice and do not ask me again");
  layout->addWidget(remember_);
  auto* buttons = new QDialogButtonBox;
  QPushButton* overwrite = buttons->addButton("Overwrite", QDialogButtonBox::AcceptRole);
  overwrite->setObjectName("overwrite");
  buttons->addButton(QDialogButtonBox::Cancel)->setDefault(true);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

OverwriteChoice OverwriteDialog::Choose() {
  const bool overwrite = exec() == QDialog::Accepted;
  return OverwriteChoice{overwrite, remember_->isChecked()};
}
