#include "quarnel/editor/ApplyNamedGenDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "project/ProjectDocument.h"
#include "quarnel/ProjectTools.h"

ApplyNamedGenDialog::ApplyNamedGenDialog(ProjectDocument& document, const std::string& generator, QWidget* parent)
    : QDialog(parent),
      document_(document),
      generator_(generator),
      byName_(new QCheckBox("columns with specified &name :")),
      name_(new QLineEdit),
      match_(new QComboBox),
      ignoreCase_(new QCheckBox("&Ignore case")),
      byPosition_(new QCheckBox("columns in specified &position :")),
      position_(new QLineEdit),
      byType_(new QCheckBox("columns that have &datatype :")),
      type_(new QLineEdit) {
  setWindowTitle(QString::asprintf("Apply Named Generator '%s' to", generator.c_str()));
  byName_->setObjectName("byName");
  name_->setObjectName("name");
  match_->setObjectName("match");
  ignoreCase_->setObjectName("ignoreCase");
  byPosition_->setObjectName("byPosition");
  position_->setObjectName("position");
  byType_->setObjectName("byType");
  type_->setObjectName("type");
  match_->addItems({"Match Exact", "Start with", "End with", "Substring"});
  auto* grid = new QGridLayout;
  grid->addWidget(byName_, 0, 0);
  grid->addWidget(name_, 0, 1);
  grid->addWidget(match_, 0, 2);
  grid->addWidget(ignoreCase_, 1, 1);
  grid->addWidget(byPosition_, 2, 0);
  grid->addWidget(position_, 2, 1);
  grid->addWidget(byType_, 3, 0);
  grid->addWidget(type_, 3, 1);
  auto* buttons = new QDialogButtonBox;
  QPushButton* apply = buttons->addButton("&Apply", QDialogButtonBox::AcceptRole);
  apply->setObjectName("apply");
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  auto* intro = new QLabel(
      "Please specify columns property to apply the generator. The generator should be applied to");
  intro->setWordWrap(true);
  layout->addWidget(intro);
  layout->addLayout(grid);
  layout->addWidget(buttons);
}

void ApplyNamedGenDialog::accept() {
  NamedGenCriteria criteria;
  criteria.byName = byName_->isChecked();
  criteria.name = name_->text().toStdString();
  criteria.match = match_->currentIndex();
  criteria.ignoreCase = ignoreCase_->isChecked();
  criteria.byPosition = byPosition_->isChecked();
  criteria.position = position_->text().toStdString();
  criteria.byType = byType_->isChecked();
  criteria.typeName = type_->text().toStdString();
  changes_ = ApplyNamedGenerator(document_, generator_, criteria);
  if (changes_ >= 0) QDialog::accept();
}
