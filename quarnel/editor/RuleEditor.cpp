#include "quarnel/editor/RuleEditor.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "quarnel/AutoRules.h"
#include "quarnel/RuleChecks.h"
#include "quarnel/editor/ColumnEditor.h"
#include "quarnel/editor/ColumnListModel.h"
#include "quarnel/editor/ConnectionBox.h"
#include "quarnel/editor/EditorContext.h"
#include "support/Database.h"

namespace {

constexpr int kMaxCount = 1000000000;

QString Q(const std::string& text) { return QString::fromStdString(text); }

// A list whose items carry check boxes.
QListWidget* CheckList(const char* name) {
  auto* list = new QListWidget;
  list->setObjectName(name);
  return list;
}

void AddChecked(QListWidget* list, const std::string& text, bool checked) {
  auto* item = new QListWidgetItem(Q(text), list);
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
  item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

}  // namespace

RuleEditor::RuleEditor(Rule& rule, EditorContext& context, QWidget* parent)
    : QDialog(parent), rule_(rule), context_(context), work_(rule), bind_(this, [] {}) {
  setWindowTitle(Q(DescribeRule(rule, false)));
  auto* tabs = new QTabWidget;
  tabs->setObjectName("tabs");
  switch (work_.Mode) {
    case kRuleTables:
      tabs->addTab(TemplatePage(), "&Rule");
      tabs->addTab(ColumnsPage(), "&Columns");
      break;
    case kRuleObjects:
      tabs->addTab(TemplatePage(), "&Rule");
      break;
    case kRuleClear:
      tabs->addTab(ClearPage(), "&Rule");
      break;
    default:
      tabs->addTab(RulePage(), "&Rule");
      tabs->addTab(ColumnsPage(), "&Columns");
      break;
  }
  if (work_.Mode != kRuleClear) tabs->addTab(ScriptsPage(), "&Scripts and output");

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
  bind_.Load(&work_);
  if (!work_.Fields.empty() && columnView_) SelectColumn(0);
  resize(1000, 760);
}

QWidget* RuleEditor::RulePage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  table_ = new QComboBox;
  table_->setObjectName("table");
  table_->setEditable(true);
  table_->setInsertPolicy(QComboBox::NoInsert);
  bind_.OnLoad([this] {
    const QSignalBlocker block(table_);
    table_->clear();
    std::vector<std::string> names;
    if (context_.db && context_.tableNames) context_.tableNames->Names(*context_.db, context_.tableOptions, &names);
    for (const std::string& name : names) table_->addItem(Q(name));
    table_->setCurrentText(Q(work_.TabName));
  });
  connect(table_, &QComboBox::activated, this, [this] { ChangeTable(table_->currentText()); });
  connect(table_->lineEdit(), &QLineEdit::editingFinished, this, [this] { ChangeTable(table_->currentText()); });
  form->addRow("&Table:", table_);
  form->addRow(bind_.Check("&Enabled", &Rule::Enabled));
  if (work_.Mode == kRuleData) {
    QComboBox* mode = bind_.Choice(&Rule::InsMode, {"append", "replace", "update", "scramble"});
    mode->setObjectName("insertMode");
    form->addRow("&Insert mode:", mode);
  }

  auto* rows = new QGroupBox("Rows");
  auto* rowForm = new QFormLayout(rows);
  QComboBox* rcMode = bind_.Choice(
      &Rule::RcMode, {"Constant", "Random between", "Same as the rows of a table", "Returned by a statement",
                      "For each distinct value of a column"});
  rcMode->setObjectName("rowCountMode");
  rowForm->addRow("Row &count:", rcMode);
  QSpinBox* records = bind_.Number(&Rule::Records, 0, kMaxCount);
  records->setObjectName("records");
  rowForm->addRow("&Rows:", records);
  rowForm->addRow("&From:", bind_.Number(&Rule::RecordsFrom, 0, kMaxCount));
  rowForm->addRow("&To:", bind_.Number(&Rule::RecordsTo, 0, kMaxCount));
  rowForm->addRow("Count &table:", bind_.Text(&Rule::CountTable));
  rowForm->addRow("Count c&olumn:", bind_.Text(&Rule::CountColumn));
  rowForm->addRow("Count &statement:", bind_.Text(&Rule::CountSQL));
  QSpinBox* perTrans = bind_.Number(&Rule::PerTrans, 0, kMaxCount);
  perTrans->setSpecialValueText("autocommit");
  rowForm->addRow("Rows per transaction:", perTrans);
  form->addRow(rows);

  if (work_.Mode == kRuleData) {
    auto* update = new QGroupBox("Update and scramble");
    auto* updateForm = new QFormLayout(update);
    QLineEdit* where = bind_.Text(&Rule::UpdWhere);
    where->setObjectName("where");
    updateForm->addRow("&Where:", where);
    updateColumns_ = CheckList("updateColumns");
    updateColumns_->setMaximumHeight(90);
    connect(updateColumns_, &QListWidget::itemChanged, this, &RuleEditor::StoreUpdateColumns);
    bind_.OnLoad([this] { LoadUpdateColumns(); });
    updateForm->addRow("&Key columns:", updateColumns_);
    QLineEdit* target = bind_.Text(&Rule::sTarget);
    target->setObjectName("scrambleTarget");
    updateForm->addRow("Scramble tar&get:", target);
    target_ = new ConnectionBox("Target &connection");
    target_->setObjectName("targetConnection");
    bind_.OnLoad([this] { target_->setConnection(&work_.TargetConn); });
    updateForm->addRow(target_);
    form->addRow(update);
  }
  QLineEdit* note = bind_.Text(&Rule::note);
  note->setObjectName("note");
  form->addRow("&Note:", note);
  return page;
}

void RuleEditor::LoadUpdateColumns() {
  const QSignalBlocker block(updateColumns_);
  updateColumns_->clear();
  for (const ColumnRule& column : work_.Fields) {
    const bool chosen = std::find(work_.updColumn.begin(), work_.updColumn.end(), column.Name) != work_.updColumn.end();
    AddChecked(updateColumns_, column.Name, chosen);
  }
}

void RuleEditor::StoreUpdateColumns() {
  work_.updColumn.clear();
  for (int i = 0; i < updateColumns_->count(); ++i) {
    if (updateColumns_->item(i)->checkState() == Qt::Checked) {
      work_.updColumn.push_back(updateColumns_->item(i)->text().toStdString());
    }
  }
}

QWidget* RuleEditor::TemplatePage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  QLineEdit* name = bind_.Text(&Rule::TabName);
  name->setObjectName("template");
  form->addRow("Name &template:", name);
  form->addRow(bind_.Check("&Enabled", &Rule::Enabled));
  QSpinBox* count = bind_.Number(&Rule::nTables, 0, kMaxCount);
  count->setObjectName("count");
  form->addRow(work_.Mode == kRuleTables ? "&Tables:" : "&Objects:", count);
  form->addRow(bind_.Check("&Drop before creating", &Rule::InsMode));
  if (work_.Mode == kRuleTables) {
    QSpinBox* records = bind_.Number(&Rule::Records, 0, kMaxCount);
    records->setObjectName("records");
    form->addRow("&Rows in each table:", records);
  } else {
    QComboBox* type = bind_.Choice(&Rule::OType, {"view", "procedure", "rule", "role", "trigger", "index"});
    type->setObjectName("objectType");
    form->addRow("Object t&ype:", type);
    QPlainTextEdit* text = bind_.LongText(&Rule::OText);
    text->setObjectName("objectText");
    form->addRow("Object te&xt:", text);
  }
  form->addRow("&Note:", bind_.Text(&Rule::note));
  return page;
}

QWidget* RuleEditor::ClearPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  clearTables_ = CheckList("clearTables");
  connect(clearTables_, &QListWidget::itemChanged, this, &RuleEditor::StoreClearTables);
  bind_.OnLoad([this] { LoadClearTables(); });
  auto* add = new QComboBox;
  add->setObjectName("addClearTable");
  add->setEditable(true);
  auto* addButton = new QPushButton("&Add table");
  connect(addButton, &QPushButton::clicked, this, [this, add] {
    const std::string name = add->currentText().trimmed().toStdString();
    if (name.empty()) return;
    work_.ClTab.push_back({name, 1});
    LoadClearTables();
  });
  bind_.OnLoad([this, add] {
    std::vector<std::string> names;
    if (context_.db && context_.tableNames) context_.tableNames->Names(*context_.db, context_.tableOptions, &names);
    add->clear();
    for (const std::string& name : names) add->addItem(Q(name));
  });
  auto* row = new QHBoxLayout;
  row->addWidget(add, 1);
  row->addWidget(addButton);
  form->addRow("&Tables to clear:", clearTables_);
  form->addRow(row);
  form->addRow(bind_.Check("&Enabled", &Rule::Enabled));
  form->addRow("&Note:", bind_.Text(&Rule::note));
  return page;
}

void RuleEditor::LoadClearTables() {
  const QSignalBlocker block(clearTables_);
  clearTables_->clear();
  for (const ClearTable& table : work_.ClTab) AddChecked(clearTables_, table.ClTab, table.ClUse != 0);
}

void RuleEditor::StoreClearTables() {
  for (int i = 0; i < clearTables_->count() && i < static_cast<int>(work_.ClTab.size()); ++i) {
    work_.ClTab[static_cast<size_t>(i)].ClUse = clearTables_->item(i)->checkState() == Qt::Checked ? 1 : 0;
  }
}

QWidget* RuleEditor::ColumnsPage() {
  auto* splitter = new QSplitter;
  columnModel_ = new ColumnListModel(this);
  columnModel_->setColumns(&work_.Fields);
  columnView_ = new QTableView;
  columnView_->setObjectName("columns");
  columnView_->setModel(columnModel_);
  columnView_->setSelectionBehavior(QAbstractItemView::SelectRows);
  columnView_->setSelectionMode(QAbstractItemView::SingleSelection);
  columnView_->horizontalHeader()->setStretchLastSection(true);
  columnView_->verticalHeader()->hide();
  columnView_->setWordWrap(false);
  // Name, type and fill method as wide as they read, whatever a column becomes.
  columnView_->resizeColumnsToContents();
  connect(columnModel_, &QAbstractItemModel::modelReset, columnView_, &QTableView::resizeColumnsToContents);
  connect(columnModel_, &QAbstractItemModel::dataChanged, columnView_, &QTableView::resizeColumnsToContents);
  columnEditor_ = new ColumnEditor(context_);
  connect(columnView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) { SelectColumn(current.row()); });
  connect(columnEditor_, &ColumnEditor::columnChanged, this, [this] {
    if (ColumnRule* column = columnEditor_->column()) {
      columnModel_->RowChanged(static_cast<int>(column - work_.Fields.data()));
    }
  });

  auto* left = new QWidget;
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->addWidget(columnView_);
  if (work_.Mode == kRuleTables || work_.Mode == kRuleFile) {
    // Columns of their own: the rule defines them instead of a table.
    auto* definition = new QGroupBox("Column definition");
    auto* form = new QFormLayout(definition);
    definition_ = std::make_unique<FieldBinder<ColumnRule>>(this, [this] {
      if (ColumnRule* column = columnEditor_->column()) {
        columnModel_->RowChanged(static_cast<int>(column - work_.Fields.data()));
      }
    });
    FieldBinder<ColumnRule>* columnBind = definition_.get();
    QLineEdit* name = columnBind->Text(&ColumnRule::Name);
    name->setObjectName("columnName");
    form->addRow("&Name:", name);
    form->addRow("T&ype:", columnBind->Text(&ColumnRule::TypeName));
    form->addRow("&Size:", columnBind->Number(&ColumnRule::iSize, 0, kMaxCount));
    connect(columnView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, columnBind] { columnBind->Load(columnEditor_->column()); });
    auto* add = new QPushButton("&Add column");
    add->setObjectName("addColumn");
    auto* remove = new QPushButton("Re&move column");
    connect(add, &QPushButton::clicked, this, &RuleEditor::AddColumnDefinition);
    connect(remove, &QPushButton::clicked, this, &RuleEditor::RemoveColumn);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    leftLayout->addWidget(definition);
    leftLayout->addLayout(buttons);
  }
  splitter->addWidget(left);
  splitter->addWidget(columnEditor_);
  splitter->setStretchFactor(1, 1);
  // The list starts wide enough for its first three columns.
  const QHeaderView& header = *columnView_->horizontalHeader();
  const int listed = header.sectionSize(0) + header.sectionSize(1) + header.sectionSize(2);
  splitter->setSizes({listed + 2 * columnView_->frameWidth() + columnView_->verticalScrollBar()->sizeHint().width() +
                          leftLayout->contentsMargins().left() + leftLayout->contentsMargins().right() + 40,
                      700});
  return splitter;
}

void RuleEditor::AddColumnDefinition() {
  columnEditor_->setColumn(nullptr, nullptr);
  ColumnRule column;
  column.Name = "column" + std::to_string(work_.Fields.size() + 1);
  column.TypeName = "varchar";
  column.iType = 12;  // SQL_VARCHAR
  column.iSize = 50;
  column.HighRange = "50";
  work_.Fields.push_back(column);
  columnModel_->Reset();
  SelectColumn(static_cast<int>(work_.Fields.size()) - 1);
}

void RuleEditor::RemoveColumn() {
  const int row = columnView_->currentIndex().row();
  if (row < 0 || row >= static_cast<int>(work_.Fields.size())) return;
  columnEditor_->setColumn(nullptr, nullptr);
  work_.Fields.erase(work_.Fields.begin() + row);
  columnModel_->Reset();
  if (!work_.Fields.empty()) SelectColumn(std::min(row, static_cast<int>(work_.Fields.size()) - 1));
}

QWidget* RuleEditor::ScriptsPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  form->addRow("&Prologue script:", bind_.LongText(&Rule::sqlBefore));
  form->addRow("&Epilogue script:", bind_.LongText(&Rule::sqlAfter));
  form->addRow("&SQL output file:", bind_.Text(&Rule::OutFile));
  form->addRow("&Text output file:", bind_.Text(&Rule::OutFileTXT));
  form->addRow("&XML output file:", bind_.Text(&Rule::OutFileXML));
  return page;
}

void RuleEditor::SelectColumn(int row) {
  if (!columnView_) return;
  if (row < 0 || row >= static_cast<int>(work_.Fields.size())) {
    columnEditor_->setColumn(nullptr, nullptr);
    return;
  }
  columnEditor_->setColumn(&work_.Fields[static_cast<size_t>(row)], &work_);
  if (columnView_->currentIndex().row() != row) {
    const QSignalBlocker block(columnView_->selectionModel());
    columnView_->setCurrentIndex(columnModel_->index(row, 0));
  }
}

int RuleEditor::ChangeTable(const QString& table) {
  const std::string name = table.trimmed().toStdString();
  if (name.empty() || name == work_.TabName) return 0;
  if (!context_.db || !context_.db->connected() || work_.Mode == kRuleFile) {
    work_.TabName = name;
    return 0;
  }
  // The column editor lets go of the columns while they are rebuilt.
  columnEditor_->setColumn(nullptr, nullptr);
  AutoRules builder(*context_.db, context_.autoRules);
  Rule changed = work_;
  const int status = builder.MakeRule(name, changed);
  if (status == 0) {
    changed.TabName = name;
    work_ = std::move(changed);
  } else if (status == AutoRules::kNoTable) {
    work_.TabName = name;
  }
  // kRuleNotOpened: the user kept the rule as it was, table included.
  columnModel_->Reset();
  bind_.Load(&work_);
  SelectColumn(work_.Fields.empty() ? -1 : 0);
  return status;
}

void RuleEditor::accept() {
  std::string message;
  if (CheckRuleTemplate(work_, &message) != 0) {
    QMessageBox::warning(this, "Warning!", Q(message));
    return;
  }
  if (!message.empty()) {
    QMessageBox::information(this, "Warning!", Q(message));
  }
  rule_ = work_;
  QDialog::accept();
}

bool EditRule(Rule& rule, EditorContext& context, QWidget* parent) {
  RuleEditor editor(rule, context, parent);
  return editor.exec() == QDialog::Accepted;
}
