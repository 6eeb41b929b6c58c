#include "quarnel/window/SchemaDialog.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "quarnel/SchemaReport.h"

// The differences as the table's rows.
class SchemaDifferenceModel final : public QAbstractTableModel {
 public:
  enum Column { kTable, kColumn, kDifference, kColumnCount };

  using QAbstractTableModel::QAbstractTableModel;

  void Reset(std::vector<SchemaDifference> differences) {
    beginResetModel();
    differences_ = std::move(differences);
    endResetModel();
  }
  const std::vector<SchemaDifference>& differences() const { return differences_; }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(differences_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kColumnCount; }

  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    const SchemaDifference& difference = differences_[static_cast<size_t>(index.row())];
    switch (index.column()) {
      case kTable: return QString::fromStdString(difference.table);
      case kColumn: return QString::fromStdString(difference.column);
      case kDifference: {
        const std::string_view text = SchemaDifferenceText(difference.kind);
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
      }
      default: return {};
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    static const char* const kHeadings[kColumnCount] = {"Table", "Column", "Difference"};
    return section >= 0 && section < kColumnCount ? QString::fromLatin1(kHeadings[section]) : QVariant();
  }

 private:
  std::vector<SchemaDifference> differences_;
};

SchemaDialog::SchemaDialog(QWidget* parent)
    : QDialog(parent), model_(new SchemaDifferenceModel(this)), summary_(new QLabel(this)), list_(new QTableView(this)) {
  setObjectName(QStringLiteral("schemaDifferences"));
  setWindowTitle(QStringLiteral("Database Schema Verification"));
  summary_->setObjectName(QStringLiteral("summary"));
  summary_->setWordWrap(true);
  list_->setModel(model_);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setWordWrap(false);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->setStretchLastSection(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  QPushButton* copy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
  copy->setObjectName(QStringLiteral("copy"));
  copy->setToolTip(QStringLiteral("Copy the whole list, one difference a line"));
  connect(copy, &QPushButton::clicked, this, &SchemaDialog::Copy);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(list_, 1);
  layout->addWidget(buttons);
  resize(640, 360);
}

void SchemaDialog::SetDifferences(std::vector<SchemaDifference> differences) {
  const size_t count = differences.size();
  model_->Reset(std::move(differences));
  summary_->setText(
      QStringLiteral("%1 difference(s) between the project's data rules and the tables of the database. "
                     "A run starts only when there are none: mend the rules (or the tables) first.")
          .arg(count));
  list_->resizeColumnsToContents();
}

QString SchemaDialog::Text() const { return QString::fromStdString(SchemaDifferencesText(model_->differences())); }

void SchemaDialog::Copy() { QApplication::clipboard()->setText(Text()); }
