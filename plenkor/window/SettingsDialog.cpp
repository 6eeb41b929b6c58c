#include "plenkor/window/SettingsDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>

#include "support/Settings.h"

SettingsDialog::SettingsDialog(_Settings& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
  setWindowTitle("Product Settings");
  setObjectName("settingsDialog");
  askOverwrite_ = new QCheckBox("Ask for existing file overwriting");
  askOverwrite_->setObjectName("askOverwrite");
  askOverwrite_->setChecked(settings.getInt("PkAskOverwrite") != 0);
  showTypes_ = new QCheckBox("Allow to enter or modify field data type (*)");
  showTypes_->setObjectName("showTypes");
  showTypes_->setChecked(settings.getInt("PkShowTypes") != 0);
  spinStep_ = new QSpinBox;
  spinStep_->setObjectName("spinStep");
  spinStep_->setRange(1, 100000000);
  spinStep_->setValue(std::max(1, settings.getInt("PkSpinStep")));
  emptyLines_ = new QSpinBox;
  emptyLines_->setObjectName("emptyLines");
  emptyLines_->setRange(0, 100);
  emptyLines_->setValue(std::clamp(settings.getInt("PkEmptyLines"), 0, 100));

  auto* emptyRow = new QHBoxLayout;
  emptyRow->addWidget(emptyLines_);
  emptyRow->addWidget(new QLabel("%"));
  emptyRow->addStretch();
  auto* form = new QFormLayout(this);
  form->addRow(askOverwrite_);
  form->addRow(showTypes_);
  form->addRow("Spin rows control step size :", spinStep_);
  form->addRow("Add empty lines to output file :", emptyRow);
  auto* note = new QLabel("(*) takes effect at the next start");
  note->setEnabled(false);
  form->addRow(note);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  QPushButton* save = buttons->addButton("Save", QDialogButtonBox::AcceptRole);
  save->setObjectName("save");
  save->setDefault(true);
  form->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::Save);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void SettingsDialog::Save() {
  settings_.setInt("PkAskOverwrite", askOverwrite_->isChecked() ? 1 : 0);
  settings_.setInt("PkShowTypes", showTypes_->isChecked() ? 1 : 0);
  settings_.setInt("PkSpinStep", spinStep_->value());
  settings_.setInt("PkEmptyLines", emptyLines_->value());
  if (const int status = settings_.SaveData(); status != 0) {
    QMessageBox::warning(this, "Warning",
                         QString("The settings could not be saved (error %1).").arg(status));
    return;
  }
  accept();
}
