#include "quarnel/window/BlobLoaderPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "support/Database.h"
#include "quarnel/window/PageHeading.h"

namespace {

QString Qs(const std::string& text) { return QString::fromStdString(text); }

QLabel* Hint(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setEnabled(false);
  return label;
}

}  // namespace

BlobLoaderPage::BlobLoaderPage(QWidget* parent)
    : QWidget(parent),
      table_(new QComboBox(this)),
      column_(new QComboBox(this)),
      keys_(new QLineEdit(this)),
      directory_(new QLineEdit(this)),
      subdirectories_(new QCheckBox(QStringLiteral(" &With subdirectories"), this)),
      items_(new QLineEdit(this)),
      progress_(new QProgressBar(this)),
      run_(new QPushButton(QStringLiteral("&Run"), this)) {
  auto* heading = new QLabel(QStringLiteral("     BLOB Loader Utility"), this);
  StylePageHeading(*heading);
  auto* about = new QLabel(
      QStringLiteral("The Loader allows you to update selected column of the database table by random BLOBs from disk "
                     "files located in the specified directory. Warning: all existing BLOBs will be overwritten "
                     "without prompting."),
      this);
  about->setWordWrap(true);
  table_->setObjectName(QStringLiteral("blobTable"));
  table_->setEditable(true);
  table_->setInsertPolicy(QComboBox::NoInsert);
  directory_->setObjectName(QStringLiteral("blobFolder"));
  run_->setObjectName(QStringLiteral("blobRun"));
  keys_->setPlaceholderText(QStringLiteral("key columns, separated by commas"));
  items_->setValidator(new QIntValidator(0, INT32_MAX, items_));
  auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
  auto* folder = new QHBoxLayout;
  folder->addWidget(directory_, 1);
  folder->addWidget(browse);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Database &Table :"), table_);
  form->addRow(QStringLiteral("B&LOB Column :"), column_);
  form->addRow(QStringLiteral("Key Column(s) :"), keys_);
  form->addRow(QString(), Hint(QStringLiteral("The program uses Primary Key if present for selected table."), this));
  form->addRow(QStringLiteral("&Source Directory :"), folder);
  form->addRow(QString(), subdirectories_);
  form->addRow(QStringLiteral("&Number of Items to import :"), items_);
  form->addRow(QString(), Hint(QStringLiteral("0 means import BLOBs to all table records."), this));
  for (QWidget* field : {static_cast<QWidget*>(table_), static_cast<QWidget*>(column_)}) {
    if (auto* label = qobject_cast<QLabel*>(form->labelForField(field))) label->setBuddy(field);
  }
  // The folder's row is a layout: its label's mnemonic goes to the folder box.
  if (auto* label = qobject_cast<QLabel*>(form->labelForField(folder))) label->setBuddy(directory_);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(progress_, 1);
  buttons->addWidget(run_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(heading);
  layout->addWidget(about);
  layout->addLayout(form);
  layout->addStretch();
  layout->addLayout(buttons);

  connect(table_, &QComboBox::currentTextChanged, this, [this] { TableChosen(); });
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("Source BLOBs Folder"), directory_->text());
    if (!chosen.isEmpty()) directory_->setText(chosen);
  });
  connect(run_, &QPushButton::clicked, this, &BlobLoaderPage::runRequested);
  // Run acts once it has a table, a column and a folder to load from.
  connect(column_, &QComboBox::currentIndexChanged, this, [this] { UpdateRun(); });
  connect(directory_, &QLineEdit::textChanged, this, [this] { UpdateRun(); });
}

void BlobLoaderPage::Prepare(CDB* db, const BlobLoadRequest& request) {
  db_ = db && db->connected() ? db : nullptr;
  {
    const QSignalBlocker block(table_);
    table_->clear();
    if (db_) {
      std::vector<TABLE_DESC> tables;
      if (CDB::isOK(db_->TablesList(&tables, std::string(), kTables))) {
        for (const TABLE_DESC& table : tables) table_->addItem(Qs(table.Name));
      }
    }
    table_->setCurrentText(Qs(request.table));
  }
  TableChosen();
  const int column = column_->findText(Qs(request.column));
  if (column >= 0) column_->setCurrentIndex(column);
  directory_->setText(Qs(request.directory));
  subdirectories_->setChecked(request.subdirectories);
  items_->setText(Qs(request.items.empty() ? std::string("0") : request.items));
  run_->setToolTip(db_ ? QString() : QStringLiteral("Not connected"));
  UpdateRun();
}

void BlobLoaderPage::UpdateRun() {
  run_->setEnabled(!running_ && db_ && !table_->currentText().trimmed().isEmpty() && column_->currentIndex() >= 0 &&
                   !directory_->text().trimmed().isEmpty());
}

void BlobLoaderPage::TableChosen() {
  column_->clear();
  keys_->clear();
  const std::string table = table_->currentText().trimmed().toStdString();
  if (!db_ || table.empty()) return;
  FieldList fields;
  if (CDB::isOK(db_->FieldsList(&fields, table, std::string()))) {
    for (const FLD_DESC& field : fields) column_->addItem(Qs(field.Name), static_cast<int>(field.iType));
  }
  BlobLoader loader(*db_);
  QStringList keys;
  for (const std::string& key : loader.KeyColumns(table)) keys << Qs(key);
  keys_->setText(keys.join(QStringLiteral(",")));
}

BlobLoadRequest BlobLoaderPage::Request() const {
  BlobLoadRequest request;
  request.table = table_->currentText().trimmed().toStdString();
  if (column_->currentIndex() >= 0) {
    request.column = column_->currentText().toStdString();
    request.columnType = column_->currentData().toInt();
  }
  for (const QString& key : keys_->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    if (!key.trimmed().isEmpty()) request.keyColumns.push_back(key.trimmed().toStdString());
  }
  request.directory = directory_->text().toStdString();
  request.subdirectories = subdirectories_->isChecked();
  request.items = items_->text().trimmed().isEmpty() ? std::string("0") : items_->text().trimmed().toStdString();
  return request;
}

void BlobLoaderPage::setRunning(bool running) {
  running_ = running;
  UpdateRun();
  for (QWidget* input : {static_cast<QWidget*>(table_), static_cast<QWidget*>(column_), static_cast<QWidget*>(keys_),
                         static_cast<QWidget*>(directory_), static_cast<QWidget*>(subdirectories_),
                         static_cast<QWidget*>(items_)}) {
    input->setEnabled(!running);
  }
}
