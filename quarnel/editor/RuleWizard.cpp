#include "quarnel/editor/RuleWizard.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "project/ProjectDocument.h"

RuleWizard::RuleWizard(ProjectDocument& document, CDB& db, const AutoRuleSettings& settings,
                       const std::vector<std::string>& tableNames, QWidget* parent)
    : QDialog(parent),
      document_(document),
      db_(db),
      settings_(settings),
      single_(new QRadioButton("Create the rule for a &single table automatically")),
      table_(new QComboBox),
      tables_(new QListWidget),
      addClear_(new QCheckBox("Add clear rule to generated project (will remove existing rows)")),
      removeAll_(new QCheckBox("Remove all rules from an existing project")) {
  setWindowTitle("Rule Wizard");
  auto* selected = new QRadioButton("Create rules for se&lected tables automatically");
  single_->setObjectName("single");
  selected->setObjectName("selected");
  table_->setObjectName("table");
  tables_->setObjectName("tables");
  addClear_->setObjectName("addClear");
  removeAll_->setObjectName("removeAll");
  for (const std::string& name : tableNames) {
    table_->addItem(QString::fromStdString(name));
    auto* item = new QListWidgetItem(QString::fromStdString(name), tables_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  auto* all = new QPushButton("Check &all");
  auto* none = new QPushButton("Check &none");
  all->setObjectName("checkAll");
  none->setObjectName("checkNone");
  for (auto [button, state] : {std::pair{all, Qt::Checked}, std::pair{none, Qt::Unchecked}}) {
    connect(button, &QPushButton::clicked, this, [this, state = state] {
      for (int i = 0; i < tables_->count(); ++i) tables_->item(i)->setCheckState(state);
    });
  }
  single_->setChecked(true);
  // What belongs to the list of tables acts only while that list is chosen.
  auto enable = [this, all, none] {
    table_->setEnabled(single_->isChecked());
    for (QWidget* widget : std::initializer_list<QWidget*>{tables_, all, none, addClear_, removeAll_}) {
      widget->setEnabled(!single_->isChecked());
    }
  };
  connect(single_, &QRadioButton::toggled, this, enable);
  enable();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* checkRow = new QHBoxLayout;
  checkRow->addWidget(all);
  checkRow->addWidget(none);
  checkRow->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(single_);
  layout->addWidget(table_);
  layout->addWidget(selected);
  layout->addWidget(tables_);
  layout->addLayout(checkRow);
  layout->addWidget(addClear_);
  layout->addWidget(removeAll_);
  layout->addWidget(buttons);
}

void RuleWizard::accept() {
  std::vector<std::string> chosen;
  if (single_->isChecked()) {
    if (!table_->currentText().isEmpty()) chosen.push_back(table_->currentText().toStdString());
  } else {
    for (int i = 0; i < tables_->count(); ++i) {
      if (tables_->item(i)->checkState() == Qt::Checked) chosen.push_back(tables_->item(i)->text().toStdString());
    }
  }
  if (chosen.empty()) {
    QMessageBox::warning(this, "Warning!", "Please choose a table.");
    return;
  }
  QProgressDialog wait("Building rules...", "Cancel", 0, 0, this);
  wait.setObjectName("wait");
  wait.setWindowTitle("Please wait");
  wait.setWindowModality(Qt::WindowModal);
  wait.setMinimumDuration(0);
  wait.show();
  AutoRules builder(db_, settings_);
  builder.setProgress({[&wait](const std::string& text) {
                         wait.setLabelText(QString::fromStdString(text));
                         QApplication::processEvents();
                       },
                       [&wait] {
                         QApplication::processEvents();
                         return wait.wasCanceled();
                       }});
  status_ = single_->isChecked()
                ? builder.AddOneAuto(document_, chosen.front())
                : builder.AddListAuto(document_, chosen, removeAll_->isChecked(), addClear_->isChecked());
  wait.close();
  if (status_ == AutoRules::kNotConnected) {
    QMessageBox::warning(this, "Warning!", "Please connect to a database first.");
    return;
  }
  QDialog::accept();
}

bool RunRuleWizard(ProjectDocument& document, CDB& db, const AutoRuleSettings& settings,
                   const std::vector<std::string>& tableNames, QWidget* parent) {
  RuleWizard wizard(document, db, settings, tableNames, parent);
  return wizard.exec() == QDialog::Accepted;
}
