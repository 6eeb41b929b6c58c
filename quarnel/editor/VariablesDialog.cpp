#include "quarnel/editor/VariablesDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "project/ProjectDocument.h"
#include "quarnel/ProgramSettings.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

bool SameVariables(const std::vector<ProjectVariable>& a, const std::vector<ProjectVariable>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const ProjectVariable& x, const ProjectVariable& y) {
    return x.Name == y.Name && x.Type == y.Type && x.Def == y.Def;
  });
}

}  // namespace

VariableListPage::VariableListPage(std::vector<ProjectVariable>& list, char sign, QWidget* parent)
    : QWidget(parent),
      list_(list),
      sign_(sign),
      table_(new QTableWidget(0, 3)),
      name_(new QLineEdit),
      type_(new QComboBox),
      definition_(new QLineEdit) {
  table_->setHorizontalHeaderLabels({"Name", "Type", "Definition"});
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->hide();
  type_->addItems({"Constant", "Database Query"});
  connect(table_, &QTableWidget::currentCellChanged, this, [this](int row) { Chosen(row); });
  auto* form = new QFormLayout;
  form->addRow(QString("&Name (after \"%1\"):").arg(QChar(sign)), name_);
  form->addRow("&Type:", type_);
  form->addRow("&Definition:", definition_);
  auto* buttons = new QHBoxLayout;
  const std::pair<const char*, bool (VariableListPage::*)()> actions[] = {
      {"&Add", &VariableListPage::Add}, {"&Modify", &VariableListPage::Modify}, {"&Delete", &VariableListPage::Remove}};
  for (const auto& [label, action] : actions) {
    auto* button = new QPushButton(label);
    connect(button, &QPushButton::clicked, this, [this, action = action] { (this->*action)(); });
    buttons->addWidget(button);
  }
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_, 1);
  layout->addLayout(form);
  layout->addLayout(buttons);
  Refresh(0);
}

void VariableListPage::SetFields(const QString& name, const QString& type, const QString& definition) {
  name_->setText(name);
  type_->setCurrentText(type);
  definition_->setText(definition);
}

ProjectVariable VariableListPage::Typed() const {
  ProjectVariable variable;
  const std::string name = name_->text().trimmed().toStdString();
  // The sign is the list's; a name typed with it keeps one.
  if (!name.empty()) variable.Name = name[0] == sign_ ? name : std::string(1, sign_) + name;
  if (variable.Name.size() == 1) variable.Name.clear();
  variable.Type = type_->currentText().toStdString();
  variable.Def = definition_->text().toStdString();
  return variable;
}

bool VariableListPage::Add() {
  std::string message;
  if (AddVariable(list_, Typed(), &message) != 0) {
    QMessageBox::warning(this, "Warning!", Q(message));
    return false;
  }
  Refresh(static_cast<int>(list_.size()) - 1);
  return true;
}

bool VariableListPage::Modify() {
  const int row = table_->currentRow();
  std::string message;
  if (row < 0 || ModifyVariable(list_, static_cast<size_t>(row), Typed(), &message) != 0) {
    QMessageBox::warning(this, "Warning!", Q(row < 0 ? "Please choose a variable to modify." : message));
    return false;
  }
  Refresh(row);
  return true;
}

bool VariableListPage::Remove() {
  const int row = table_->currentRow();
  if (row < 0 || row >= static_cast<int>(list_.size())) return false;
  list_.erase(list_.begin() + row);
  Refresh(std::min(row, static_cast<int>(list_.size()) - 1));
  return true;
}

void VariableListPage::Refresh(int select) {
  const QSignalBlocker block(table_);
  table_->setRowCount(static_cast<int>(list_.size()));
  for (size_t i = 0; i < list_.size(); ++i) {
    const int row = static_cast<int>(i);
    table_->setItem(row, 0, new QTableWidgetItem(Q(list_[i].Name)));
    table_->setItem(row, 1, new QTableWidgetItem(Q(list_[i].Type)));
    table_->setItem(row, 2, new QTableWidgetItem(Q(list_[i].Def)));
  }
  if (select >= 0 && select < table_->rowCount()) table_->setCurrentCell(select, 0);
}

void VariableListPage::Chosen(int row) {
  if (row < 0 || row >= static_cast<int>(list_.size())) return;
  const ProjectVariable& variable = list_[static_cast<size_t>(row)];
  SetFields(Q(variable.Name.size() > 1 ? variable.Name.substr(1) : variable.Name), Q(variable.Type),
            Q(variable.Def));
}

VariablesDialog::VariablesDialog(ProjectDocument& document, std::vector<GlobalVariable>& globals, QWidget* parent)
    : QDialog(parent), document_(document), globals_(globals), projectVars_(document.project().localVars) {
  setWindowTitle("Variables");
  for (const GlobalVariable& global : globals) globalVars_.push_back({global.Name, global.Type, global.Def, {}});
  projectPage_ = new VariableListPage(projectVars_, '#');
  globalPage_ = new VariableListPage(globalVars_, '@');
  auto* tabs = new QTabWidget;
  tabs->addTab(projectPage_, "&Project variables");
  tabs->addTab(globalPage_, "&Global variables");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
}

void VariablesDialog::accept() {
  if (!SameVariables(projectVars_, document_.project().localVars)) {
    document_.project().localVars = projectVars_;
    document_.setModified(true);
  }
  globals_.clear();
  for (const ProjectVariable& variable : globalVars_) globals_.push_back({variable.Name, variable.Type, variable.Def, {}});
  QDialog::accept();
}

bool EditVariables(ProjectDocument& document, std::vector<GlobalVariable>& globals, QWidget* parent) {
  VariablesDialog dialog(document, globals, parent);
  return dialog.exec() == QDialog::Accepted;
}
