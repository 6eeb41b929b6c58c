#include "quarnel/window/ConsolePage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/RunOptions.h"
#include "quarnel/window/ConsoleModel.h"
#include "quarnel/window/PageHeading.h"

ConsolePage::ConsolePage(QWidget* parent)
    : QWidget(parent),
      model_(new ConsoleModel(this)),
      heading_(new QLabel(QStringLiteral(" Execution console"), this)),
      list_(new QTableView(this)),
      progress_(new QProgressBar(this)),
      run_(new QPushButton(QStringLiteral("&Run project"), this)),
      break_(new QPushButton(QStringLiteral("&Break"), this)),
      saveReport_(new QPushButton(QStringLiteral("&Save Report..."), this)),
      viewLog_(new QPushButton(QStringLiteral("View &log"), this)) {
  StylePageHeading(*heading_);
  list_->setModel(model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->setAlternatingRowColors(true);
  progress_->setRange(0, 1);
  progress_->setValue(0);
  break_->hide();

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(run_);
  buttons->addWidget(break_);
  buttons->addStretch();
  buttons->addWidget(saveReport_);
  buttons->addWidget(viewLog_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading_);
  layout->addWidget(list_, 1);
  layout->addWidget(progress_);
  layout->addLayout(buttons);

  connect(run_, &QPushButton::clicked, this, &ConsolePage::runRequested);
  connect(break_, &QPushButton::clicked, this, &ConsolePage::breakRequested);
  connect(saveReport_, &QPushButton::clicked, this, &ConsolePage::saveReportRequested);
  connect(viewLog_, &QPushButton::clicked, this, &ConsolePage::viewLogRequested);
  // A report needs lines to report.
  const auto follow = [this] { saveReport_->setEnabled(model_->rowCount() > 0); };
  connect(model_, &QAbstractItemModel::rowsInserted, this, follow);
  connect(model_, &QAbstractItemModel::modelReset, this, follow);
  follow();
}

QString ConsolePage::heading() const { return heading_->text(); }

void ConsolePage::ShowRow(int row) {
  if (row >= 0) list_->scrollTo(model_->index(row, 0));
}

void ConsolePage::Apply(int message, int number, const std::string& text) {
  switch (message) {
    case kItemText:
      if (number == kConsoleHeadingItem) heading_->setText(QString::fromStdString(text));
      break;
    case kProgressRange:
      progress_->setRange(0, std::max(number, 1));
      progress_->setValue(0);
      break;
    case kProgressPos:
      progress_->setValue(std::clamp(number, 0, progress_->maximum()));
      break;
    case kAddLine:
      ShowRow(model_->appendLine(text));
      break;
    case kSetLastLine:
      ShowRow(model_->setCell(model_->lastRow(), number, text));
      break;
    case kSetCell:
      ShowRow(model_->setCell(number / 100, number % 100, text));
      break;
    default:
      break;
  }
}

void ConsolePage::Clear() {
  model_->clear();
  progress_->setRange(0, 1);
  progress_->setValue(0);
}

void ConsolePage::setRunning(bool running) {
  run_->setEnabled(!running);
  break_->setVisible(running);
  break_->setEnabled(running);
  if (running) break_->setFocus();
}
