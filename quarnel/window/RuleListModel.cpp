#include "quarnel/window/RuleListModel.h"

#include <QBrush>
#include <QPalette>
#include <QGuiApplication>
#include <utility>

#include "project/ProjectDocument.h"

namespace {

QString Qs(const std::string& text) { return QString::fromStdString(text); }

QString TargetOf(const Rule& rule) {
  if (rule.Mode == kRuleClear) return QStringLiteral("Clearing %1 table(s)").arg(rule.ClTab.size());
  return Qs(rule.TabName);
}

}  // namespace

RuleListModel::RuleListModel(ProjectDocument& document, QObject* parent)
    : QAbstractTableModel(parent), document_(document), checked_(document.project().rules.size(), false) {}

int RuleListModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || detached_) return 0;
  return static_cast<int>(document_.project().rules.size());
}

int RuleListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

bool RuleListModel::valid(int row) const {
  return !detached_ && row >= 0 && static_cast<size_t>(row) < document_.project().rules.size();
}

QVariant RuleListModel::data(const QModelIndex& index, int role) const {
  if (!valid(index.row())) return {};
  const Rule& rule = document_.project().rules[static_cast<size_t>(index.row())];
  const size_t row = static_cast<size_t>(index.row());
  if (role == Qt::CheckStateRole && index.column() == kTable) {
    return row < checked_.size() && checked_[row] ? Qt::Checked : Qt::Unchecked;
  }
  if (role == Qt::ForegroundRole && !rule.Enabled) {
    return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
  }
  if (role == Qt::ToolTipRole) {
    QString tip = Qs(DescribeRule(rule, true));
    if (!rule.Enabled) tip += QStringLiteral(" (disabled)");
    if (!rule.note.empty()) tip += QStringLiteral("\n") + Qs(rule.note);
    return tip;
  }
  if (role == Qt::TextAlignmentRole && (index.column() == kRows || index.column() == kTransactionSize)) {
    return QVariant(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (role != Qt::DisplayRole) return {};
  const bool rows = rule.Mode == kRuleData || rule.Mode == kRuleFile;
  switch (index.column()) {
    case kTable: return TargetOf(rule);
    case kKind: return Qs(std::string(RuleKindName(rule)));
    case kInsertMode: return rule.Mode == kRuleData ? Qs(std::string(InsertModeName(rule))) : QString();
    case kRows:
      if (rule.Mode == kRuleTables || rule.Mode == kRuleObjects) return rule.nTables;
      return rows ? QVariant(rule.Records) : QVariant();
    case kTransactionSize: return rule.Mode == kRuleData ? QVariant(rule.PerTrans) : QVariant();
    default: return {};
  }
}

QVariant RuleListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kTable: return QStringLiteral("Table / Rule");
    case kKind: return QStringLiteral("Kind");
    case kInsertMode: return QStringLiteral("Insert mode");
    case kRows: return QStringLiteral("Rows");
    case kTransactionSize: return QStringLiteral("Trans. size");
    default: return {};
  }
}

Qt::ItemFlags RuleListModel::flags(const QModelIndex& index) const {
  if (!valid(index.row())) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.column() == kTable) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

bool RuleListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || index.column() != kTable || !valid(index.row())) return false;
  setChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
  return true;
}

void RuleListModel::setChecked(int row, bool checked) {
  if (!valid(row)) return;
  checked_.resize(document_.project().rules.size(), false);
  checked_[static_cast<size_t>(row)] = checked;
  const QModelIndex cell = index(row, kTable);
  emit dataChanged(cell, cell, {Qt::CheckStateRole});
}

std::vector<int> RuleListModel::checkedRows() const {
  std::vector<int> rows;
  for (size_t i = 0; i < checked_.size(); ++i) {
    if (checked_[i]) rows.push_back(static_cast<int>(i));
  }
  return rows;
}

void RuleListModel::setDetached(bool detached) {
  if (detached == detached_) return;
  beginResetModel();
  detached_ = detached;
  if (!detached_) checked_.resize(document_.project().rules.size(), false);
  endResetModel();
}

void RuleListModel::reload() {
  beginResetModel();
  checked_.assign(document_.project().rules.size(), false);
  endResetModel();
}

void RuleListModel::changed() {
  document_.setModified(true);
  emit edited();
}

void RuleListModel::swapRows(int first) {
  std::vector<Rule>& rules = document_.project().rules;
  checked_.resize(rules.size(), false);
  const size_t a = static_cast<size_t>(first);
  // Moving row first+1 before row first; Qt wants the destination past the moved row.
  beginMoveRows({}, first + 1, first + 1, {}, first);
  std::swap(rules[a], rules[a + 1]);
  std::vector<bool>::swap(checked_[a], checked_[a + 1]);
  endMoveRows();
  changed();
}

bool RuleListModel::moveUp(int row) {
  if (!valid(row) || row == 0) return false;
  swapRows(row - 1);
  return true;
}

bool RuleListModel::moveDown(int row) {
  if (!valid(row) || !valid(row + 1)) return false;
  swapRows(row);
  return true;
}

bool RuleListModel::duplicate(int row) {
  if (!valid(row)) return false;
  std::vector<Rule>& rules = document_.project().rules;
  checked_.resize(rules.size(), false);
  const size_t at = static_cast<size_t>(row) + 1;
  beginInsertRows({}, row + 1, row + 1);
  Rule copy = rules[at - 1];
  rules.insert(rules.begin() + static_cast<std::ptrdiff_t>(at), std::move(copy));
  checked_.insert(checked_.begin() + static_cast<std::ptrdiff_t>(at), false);
  endInsertRows();
  changed();
  return true;
}

bool RuleListModel::remove(int row) {
  if (!valid(row)) return false;
  std::vector<Rule>& rules = document_.project().rules;
  checked_.resize(rules.size(), false);
  beginRemoveRows({}, row, row);
  rules.erase(rules.begin() + row);
  checked_.erase(checked_.begin() + row);
  endRemoveRows();
  changed();
  return true;
}
