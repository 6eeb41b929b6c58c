#include "quarnel/window/ProjectPage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "quarnel/window/PageHeading.h"
#include "quarnel/window/RuleListModel.h"

ProjectPage::ProjectPage(RuleListModel& model, QWidget* parent)
    : QWidget(parent),
      model_(model),
      heading_(new QLabel(this)),
      description_(new QLabel(this)),
      list_(new QTableView(this)),
      up_(new QPushButton(QStringLiteral("Move &Up"), this)),
      down_(new QPushButton(QStringLiteral("Move &Down"), this)),
      duplicate_(new QPushButton(QStringLiteral("Du&plicate"), this)),
      remove_(new QPushButton(QStringLiteral("Re&move"), this)) {
  StylePageHeading(*heading_);
  description_->setWordWrap(true);
  list_->setModel(&model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->verticalHeader()->hide();
  list_->setAlternatingRowColors(true);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* button : {up_, down_, duplicate_, remove_}) buttons->addWidget(button);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addWidget(description_);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);

  connect(up_, &QPushButton::clicked, this, [this] { EditSelected(&RuleListModel::moveUp, -1); });
  connect(down_, &QPushButton::clicked, this, [this] { EditSelected(&RuleListModel::moveDown, 1); });
  connect(duplicate_, &QPushButton::clicked, this, [this] { EditSelected(&RuleListModel::duplicate, 1); });
  connect(remove_, &QPushButton::clicked, this, [this] { EditSelected(&RuleListModel::remove, 0); });
  connect(list_, &QTableView::activated, this, [this](const QModelIndex& index) { emit ruleActivated(index.row()); });
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });
  connect(&model_, &QAbstractItemModel::modelReset, this, [this] { UpdateButtons(); });
  connect(&model_, &QAbstractItemModel::rowsRemoved, this, [this] { UpdateButtons(); });
  UpdateButtons();
}

void ProjectPage::Refresh(const QString& heading, const QString& description) {
  heading_->setText(heading);
  description_->setText(description);
  description_->setVisible(!description.isEmpty());
}

QString ProjectPage::heading() const { return heading_->text(); }

int ProjectPage::selectedRow() const {
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void ProjectPage::selectRow(int row) {
  if (row < 0 || row >= model_.rowCount()) {
    list_->clearSelection();
  } else {
    list_->selectRow(row);
  }
  UpdateButtons();
}

void ProjectPage::setEditable(bool editable) {
  editable_ = editable;
  UpdateButtons();
}

void ProjectPage::EditSelected(bool (RuleListModel::*edit)(int), int selectionStep) {
  const int row = selectedRow();
  if (row < 0 || !(model_.*edit)(row)) return;
  selectRow(std::min(row + selectionStep, model_.rowCount() - 1));
}

void ProjectPage::UpdateButtons() {
  const int row = editable_ ? selectedRow() : -1;
  const int count = model_.rowCount();
  up_->setEnabled(row > 0);
  down_->setEnabled(row >= 0 && row + 1 < count);
  duplicate_->setEnabled(row >= 0);
  remove_->setEnabled(row >= 0);
}
