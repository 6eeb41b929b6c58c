#include "quarnel/editor/ColumnEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "GenTmpl/VLibrary.h"
#include "quarnel/ColumnSamples.h"
#include "quarnel/RuleChecks.h"
#include "quarnel/StoredPatterns.h"
#include "quarnel/editor/ColumnListModel.h"
#include "quarnel/editor/ConnectionBox.h"
#include "quarnel/editor/EditorContext.h"
#include "support/Database.h"
#include "values/Random.h"

namespace {

constexpr int kSampleDelayMs = 300;
constexpr int kMaxCount = 1000000000;

QString Q(const std::string& text) { return QString::fromStdString(text); }

void SetItems(QComboBox* combo, const std::vector<std::string>& items, const std::string& current) {
  const QSignalBlocker block(combo);
  combo->clear();
  for (const std::string& item : items) combo->addItem(Q(item));
  combo->setCurrentText(Q(current));
}

}  // namespace

ColumnEditor::ColumnEditor(EditorContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      bind_(this, [this] { Edited(); }),
      method_(new QComboBox),
      pages_(new QStackedWidget),
      samples_(new QListWidget),
      sampleError_(new QLabel),
      sampleTimer_(new QTimer(this)) {
  method_->setObjectName("method");
  for (int m = 0; m < kFillMethodCount; ++m) method_->addItem(FillMethodName(m));
  pages_->addWidget(RandomPage());
  pages_->addWidget(LinkedPage());
  pages_->addWidget(ListPage());
  pages_->addWidget(FilePage());
  pages_->addWidget(NotePage("The column is left out of the generated statements."));
  pages_->addWidget(LibraryPage());
  pages_->addWidget(IncrementalPage());
  pages_->addWidget(PatternPage());
  pages_->addWidget(SqlPage());
  pages_->addWidget(ComputedPage());
  pages_->addWidget(GroupItemPage());
  pages_->addWidget(CustomPage());
  pages_->addWidget(NotePage("Values come from the named generator chosen below."));

  samples_->setObjectName("samples");
  samples_->setMaximumHeight(110);
  sampleError_->setObjectName("sampleError");
  sampleError_->setWordWrap(true);
  sampleError_->setStyleSheet("color: #a00000");
  sampleTimer_->setSingleShot(true);
  sampleTimer_->setInterval(kSampleDelayMs);
  connect(sampleTimer_, &QTimer::timeout, this, &ColumnEditor::RefreshSamples);

  auto* top = new QFormLayout;
  top->addRow("Fill &method:", method_);
  auto* sampleBox = new QGroupBox("Sample values");
  auto* sampleLayout = new QVBoxLayout(sampleBox);
  sampleLayout->addWidget(samples_);
  sampleLayout->addWidget(sampleError_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(pages_, 1);
  layout->addWidget(CommonOptions());
  layout->addWidget(sampleBox);

  connect(method_, &QComboBox::currentIndexChanged, this, &ColumnEditor::MethodChosen);
  setColumn(nullptr, nullptr);
}

void ColumnEditor::Edited() {
  if (!bind_.Writable()) return;
  emit columnChanged();
  sampleTimer_->start();
}

// ---- Pages -----------------------------------------------------------------

QWidget* ColumnEditor::RandomPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  QLineEdit* low = bind_.Text(&ColumnRule::LowRange);
  low->setObjectName("lowRange");
  QLineEdit* high = bind_.Text(&ColumnRule::HighRange);
  high->setObjectName("highRange");
  QLineEdit* format = bind_.Text(&ColumnRule::sFormat);
  format->setObjectName("format");
  form->addRow("&Low bound:", low);
  form->addRow("&High bound:", high);
  form->addRow("&Format:", format);
  QSpinBox* special = bind_.Number(&ColumnRule::RndSeparators, 0, 100);
  special->setSuffix(" %");
  form->addRow("&Special characters:", special);

  unicode_ = new QTableWidget(static_cast<int>(UnicodeBlocks().size()), 3);
  unicode_->setObjectName("unicode");
  unicode_->setHorizontalHeaderLabels({"Unicode block", "From", "To"});
  unicode_->verticalHeader()->hide();
  unicode_->horizontalHeader()->setStretchLastSection(true);
  int row = 0;
  for (const UnicodeBlock& block : UnicodeBlocks()) {
    auto* name = new QTableWidgetItem(block.name);
    name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    name->setCheckState(Qt::Unchecked);
    unicode_->setItem(row, 0, name);
    for (int c = 1; c <= 2; ++c) {
      const int bound = c == 1 ? block.from : block.to;
      auto* item = new QTableWidgetItem(QString::asprintf("0x%04x", static_cast<unsigned>(bound)));
      item->setFlags(Qt::ItemIsEnabled);
      unicode_->setItem(row, c, item);
    }
    ++row;
  }
  connect(unicode_, &QTableWidget::itemChanged, this, &ColumnEditor::StoreUnicode);
  bind_.OnLoad([this] {
    for (int r = 0; r < unicode_->rowCount(); ++r) {
      const bool chosen = std::find(bind_.record->unicode.begin(), bind_.record->unicode.end(), r) != bind_.record->unicode.end();
      unicode_->item(r, 0)->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
    }
  });
  form->addRow("&Unicode blocks:", unicode_);
  return page;
}

void ColumnEditor::StoreUnicode() {
  if (!bind_.Writable()) return;
  bind_.record->unicode.clear();
  for (int r = 0; r < unicode_->rowCount(); ++r) {
    if (unicode_->item(r, 0)->checkState() == Qt::Checked) bind_.record->unicode.push_back(r);
  }
  Edited();
}

QWidget* ColumnEditor::LinkedPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  linkedTable_ = new QComboBox;
  linkedTable_->setObjectName("linkedTable");
  linkedTable_->setEditable(true);
  linkedColumn_ = new QComboBox;
  linkedColumn_->setObjectName("linkedColumn");
  linkedColumn_->setEditable(true);
  connect(linkedTable_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    if (!bind_.Writable()) return;
    bind_.record->Table = text.toStdString();
    FillLinkedColumns();
    Edited();
  });
  connect(linkedColumn_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    if (!bind_.Writable()) return;
    bind_.record->Column = text.toStdString();
    Edited();
  });
  bind_.OnLoad([this] {
    std::vector<std::string> names;
    if (context_.db && context_.tableNames) {
      TableNameOptions options = context_.tableOptions;
      options.views = context_.linkedViews;
      options.synonyms = false;
      context_.tableNames->Names(*context_.db, options, &names);
    }
    SetItems(linkedTable_, names, bind_.record->Table);
    FillLinkedColumns();
  });
  form->addRow("&Table:", linkedTable_);
  form->addRow("&Column:", linkedColumn_);
  form->addRow("&Key group:", bind_.Number(&ColumnRule::seqFK, 0, 999));
  form->addRow("&Group:", bind_.Number(&ColumnRule::groupNo, 0, 999));
  auto* own = new ConnectionBox("Own &connection");
  connections_.push_back(own);
  connect(own, &ConnectionBox::changed, this, &ColumnEditor::Edited);
  form->addRow(own);
  return page;
}

void ColumnEditor::FillLinkedColumns() {
  std::vector<std::string> names;
  CDB* db = context_.db;
  if (db && db->connected() && !bind_.record->Table.empty()) {
    std::string owner;
    std::string table;
    db->PrepareOwner(&owner, &table, "", bind_.record->Table, 0);
    FieldList fields;
    if (CDB::isOK(db->FieldsList(&fields, table, owner, 0))) {
      for (const FLD_DESC& field : fields) names.push_back(field.Name);
    }
  }
  SetItems(linkedColumn_, names, bind_.record->Column);
}

QWidget* ColumnEditor::ListPage() {
  auto* page = new QWidget;
  list_ = new QTableWidget(0, 2);
  list_->setObjectName("valueList");
  list_->setHorizontalHeaderLabels({"Value", "Usage %"});
  list_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  connect(list_, &QTableWidget::itemChanged, this, &ColumnEditor::ListEdited);
  auto* add = new QPushButton("&Add item");
  add->setObjectName("addItem");
  auto* remove = new QPushButton("&Remove item");
  remove->setObjectName("removeItem");
  connect(add, &QPushButton::clicked, this, [this] {
    if (!bind_.record) return;
    bind_.record->Values.emplace_back();
    LoadList();
    list_->setCurrentCell(list_->rowCount() - 1, 0);
    Edited();
  });
  connect(remove, &QPushButton::clicked, this, [this] {
    const int row = list_->currentRow();
    if (!bind_.record || row < 0 || row >= static_cast<int>(bind_.record->Values.size())) return;
    bind_.record->Values.erase(bind_.record->Values.begin() + row);
    if (row < static_cast<int>(bind_.record->ValueUse.size())) bind_.record->ValueUse.erase(bind_.record->ValueUse.begin() + row);
    LoadList();
    Edited();
  });
  bind_.OnLoad([this] { LoadList(); });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(remove);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(list_);
  layout->addLayout(buttons);
  return page;
}

void ColumnEditor::LoadList() {
  const bool wasLoading = bind_.loading;
  bind_.loading = true;
  list_->setRowCount(static_cast<int>(bind_.record->Values.size()));
  for (size_t i = 0; i < bind_.record->Values.size(); ++i) {
    const int row = static_cast<int>(i);
    list_->setItem(row, 0, new QTableWidgetItem(Q(bind_.record->Values[i])));
    const QString usage = i < bind_.record->ValueUse.size() ? QString::number(bind_.record->ValueUse[i]) : QString();
    list_->setItem(row, 1, new QTableWidgetItem(usage));
  }
  bind_.loading = wasLoading;
}

void ColumnEditor::ListEdited() {
  if (!bind_.Writable()) return;
  std::vector<std::string> values;
  std::vector<std::string> usageTexts;
  for (int r = 0; r < list_->rowCount(); ++r) {
    const QTableWidgetItem* value = list_->item(r, 0);
    const QTableWidgetItem* usage = list_->item(r, 1);
    values.push_back(value ? value->text().toStdString() : std::string());
    usageTexts.push_back(usage ? usage->text().toStdString() : std::string());
  }
  std::vector<int> usage;
  std::string message;
  if (ParseValueUsage(usageTexts, &usage, &message) != 0) {
    // The list keeps its last valid state; the cell shows it again.
    QTimer::singleShot(0, this, [this] {
      if (bind_.record) LoadList();
    });
    QMessageBox::warning(this, "Warning!", Q(message));
    return;
  }
  bind_.record->Values = std::move(values);
  bind_.record->ValueUse = std::move(usage);
  Edited();
}

QWidget* ColumnEditor::FilePage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  QLineEdit* file = bind_.Text(&ColumnRule::FileName);
  file->setObjectName("fileName");
  auto* browse = new QPushButton("&Browse...");
  connect(browse, &QPushButton::clicked, this, [this, file] {
    const QString path = QFileDialog::getOpenFileName(this, "Disk File", file->text());
    if (!path.isEmpty()) file->setText(path);
  });
  auto* row = new QHBoxLayout;
  row->addWidget(file, 1);
  row->addWidget(browse);
  form->addRow("&File:", row);
  form->addRow("Field &separator:", bind_.Text(&ColumnRule::fileSeparator));
  form->addRow("&Group:", bind_.Number(&ColumnRule::groupNo, 0, 999));
  return page;
}

QWidget* ColumnEditor::LibraryPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  libList_ = new QComboBox;
  libList_->setObjectName("libraryList");
  libList_->setEditable(true);
  libField_ = new QComboBox;
  libField_->setObjectName("libraryField");
  libField_->setEditable(true);
  connect(libList_, &QComboBox::currentTextChanged, this, [this] {
    if (!bind_.Writable()) return;
    FillLibraryFields();
    StoreLibName();
  });
  connect(libField_, &QComboBox::currentTextChanged, this, &ColumnEditor::StoreLibName);
  bind_.OnLoad([this] {
    std::vector<std::string> lists;
    if (context_.library && context_.library->IsOpen()) context_.library->ListNames(lists);
    std::string list;
    std::string field;
    VLibrary::SplitLibName(bind_.record->LibName, list, field);
    SetItems(libList_, lists, list);
    FillLibraryFields();
    libField_->setCurrentText(Q(field));
  });
  form->addRow("&List:", libList_);
  form->addRow("&Field:", libField_);
  return page;
}

void ColumnEditor::FillLibraryFields() {
  std::vector<std::string> fields;
  const std::string list = libList_->currentText().toStdString();
  if (context_.library && context_.library->IsOpen() && VLibrary::IsPlainName(list)) {
    context_.library->FieldNames(list, fields);
  }
  const QString current = libField_->currentText();
  SetItems(libField_, fields, current.isEmpty() ? "Name" : current.toStdString());
}

void ColumnEditor::StoreLibName() {
  if (!bind_.Writable()) return;
  const std::string list = libList_->currentText().toStdString();
  const std::string field = libField_->currentText().toStdString();
  bind_.record->LibName = field.empty() || field == "Name" ? list : list + "." + field;
  Edited();
}

QWidget* ColumnEditor::IncrementalPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  QLineEdit* start = bind_.Text(&ColumnRule::Start);
  start->setObjectName("start");
  form->addRow("&Start:", start);
  form->addRow("S&tep:", bind_.Text(&ColumnRule::Step));
  form->addRow("Use each value (&times):", bind_.Number(&ColumnRule::Times, 1, kMaxCount));
  form->addRow("&Cycle (rows, 0 never):", bind_.Number(&ColumnRule::Cycle, 0, kMaxCount));
  form->addRow(bind_.Check("Start &after the last value in the table", &ColumnRule::AfterLast));
  form->addRow("&Unit of dates and times:",
               bind_.Choice(&ColumnRule::incTimeMode, {"second", "minute", "hour", "day", "month", "year"}));
  form->addRow("&Format:", bind_.Text(&ColumnRule::sFormat));
  return page;
}

QWidget* ColumnEditor::PatternPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  QLineEdit* mask = bind_.Text(&ColumnRule::Mask);
  mask->setObjectName("pattern");
  QLineEdit* regexp = bind_.Text(&ColumnRule::regexp);
  regexp->setObjectName("regexp");
  form->addRow("&Pattern:", mask);
  form->addRow("&Regular expression (when no pattern):", regexp);
  return page;
}

QWidget* ColumnEditor::SqlPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  QPlainTextEdit* sql = bind_.LongText(&ColumnRule::SQL);
  sql->setObjectName("sql");
  form->addRow("&Statement:", sql);
  form->addRow("&Group:", bind_.Number(&ColumnRule::groupNo, 0, 999));
  form->addRow(bind_.Check("Load the whole result as a &list", &ColumnRule::asList));
  auto* own = new ConnectionBox("Own &connection");
  connections_.push_back(own);
  connect(own, &ConnectionBox::changed, this, &ColumnEditor::Edited);
  form->addRow(own);
  return page;
}

QWidget* ColumnEditor::ComputedPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  expression_ = new QPlainTextEdit;
  expression_->setObjectName("expression");
  connect(expression_, &QPlainTextEdit::textChanged, this, &ColumnEditor::StoreComputed);
  bind_.OnLoad([this] {
    std::string expression;
    ComputedExpression(bind_.record->Mask, &expression);
    expression_->setPlainText(Q(expression));
  });
  form->addRow("&Expression:", expression_);
  form->addRow(new QLabel("Other columns are written @'name'; functions as in patterns."));
  return page;
}

void ColumnEditor::StoreComputed() {
  if (!bind_.Writable()) return;
  bind_.record->Mask = ComputedPattern(expression_->toPlainText().toStdString());
  Edited();
}

QWidget* ColumnEditor::GroupItemPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  form->addRow("Item of &group:", bind_.Number(&ColumnRule::groupNo, 0, 999));
  return page;
}

QWidget* ColumnEditor::CustomPage() {
  auto* page = new QWidget;
  auto* form = new QFormLayout(page);
  dllPath_ = new QLineEdit;
  dllPath_->setObjectName("library");
  dllParams_ = new QLineEdit;
  dllParams_->setObjectName("parameters");
  for (QLineEdit* edit : {dllPath_, dllParams_}) connect(edit, &QLineEdit::textChanged, this, &ColumnEditor::StoreCustom);
  auto* browse = new QPushButton("&Browse...");
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getOpenFileName(this, "Custom Generator", dllPath_->text(), "Shared libraries (*.so)");
    if (!path.isEmpty()) dllPath_->setText(path);
  });
  bind_.OnLoad([this] {
    std::string library;
    std::string parameters;
    CustomGeneratorParts(bind_.record->Mask, &library, &parameters);
    dllPath_->setText(Q(library));
    dllParams_->setText(Q(parameters));
  });
  auto* row = new QHBoxLayout;
  row->addWidget(dllPath_, 1);
  row->addWidget(browse);
  form->addRow("Shared &library:", row);
  form->addRow("&Parameters:", dllParams_);
  return page;
}

void ColumnEditor::StoreCustom() {
  if (!bind_.Writable()) return;
  bind_.record->Mask = CustomGeneratorPattern(dllPath_->text().toStdString(), dllParams_->text().toStdString());
  Edited();
}

QWidget* ColumnEditor::NotePage(const QString& text) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(new QLabel(text));
  layout->addStretch();
  return page;
}

QWidget* ColumnEditor::CommonOptions() {
  auto* box = new QGroupBox("Options");
  auto* form = new QFormLayout(box);
  QSpinBox* nulls = bind_.Number(&ColumnRule::UseNulls, -1, 100);
  nulls->setObjectName("nullFactor");
  nulls->setSpecialValueText("none");
  nulls->setSuffix(" %");
  form->addRow("&NULL factor:", nulls);
  QCheckBox* unique = bind_.Check("&Unique", &ColumnRule::Unique);
  unique->setObjectName("unique");
  form->addRow(unique);
  form->addRow("Se&quence length:", bind_.Number(&ColumnRule::SequenceLen, 1, kMaxCount));
  QCheckBox* sequential = bind_.Check("Use se&quentially", &ColumnRule::Seqent);
  sequential->setObjectName("sequential");
  form->addRow(sequential);
  QCheckBox* asPattern = bind_.Check("Use value as &pattern", &ColumnRule::asMask);
  asPattern->setObjectName("asPattern");
  form->addRow(asPattern);

  auto* quoting = new QComboBox;
  quoting->setObjectName("quoting");
  quoting->addItems({"Default (by data type)", "Do not quote, it is formula or expression", "Quote always"});
  connect(quoting, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!bind_.Writable()) return;
    bind_.record->NoQuotas = index == 1 ? 1 : 0;
    bind_.record->AlwaysQuote = index == 2 ? 1 : 0;
    Edited();
  });
  bind_.OnLoad([this, quoting] { quoting->setCurrentIndex(bind_.record->NoQuotas ? 1 : (bind_.record->AlwaysQuote ? 2 : 0)); });
  form->addRow("&Quoting:", quoting);

  namedGen_ = new QComboBox;
  namedGen_->setObjectName("namedGenerator");
  namedGen_->setEditable(true);
  connect(namedGen_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
    if (!bind_.Writable()) return;
    bind_.record->NamedGen = text.toStdString();
    Edited();
  });
  bind_.OnLoad([this] {
    std::vector<std::string> names{""};
    if (context_.project) {
      for (const ColumnRule& generator : context_.project->namedGens) names.push_back(generator.NamedGen);
    }
    SetItems(namedGen_, names, bind_.record->NamedGen);
  });
  form->addRow("Named &generator:", namedGen_);
  return box;
}

// ---- Column and method -------------------------------------------------------

void ColumnEditor::setColumn(ColumnRule* column, Rule* rule) {
  sampleTimer_->stop();
  rule_ = column ? rule : nullptr;
  setEnabled(column != nullptr);
  for (ConnectionBox* box : connections_) box->setConnection(column);
  bind_.loading = true;
  bind_.record = column;
  if (column) {
    method_->setCurrentIndex(column->Method >= 0 && column->Method < kFillMethodCount ? column->Method : 0);
    pages_->setCurrentIndex(method_->currentIndex());
  }
  bind_.loading = false;
  bind_.Load(column);
  // A named generator is itself what columns name: it can not name one.
  namedGen_->setEnabled(rule != nullptr);
  RefreshSamples();
}

void ColumnEditor::MethodChosen(int method) {
  pages_->setCurrentIndex(method);
  if (!bind_.Writable()) return;
  bind_.record->Method = method;
  // The stored forms of these methods live in the pattern field.
  if (method == kMethodComputed) StoreComputed();
  if (method == kMethodCustom) StoreCustom();
  // Pages that share a field (the pattern, the group) show its current value.
  bind_.Load(bind_.record);
  Edited();
}

void ColumnEditor::RefreshSamples() {
  sampleTimer_->stop();
  samples_->clear();
  sampleError_->clear();
  if (!bind_.record) return;
  ColumnSampleResult result;
  if (rule_) {
    result = SampleColumn(*rule_, static_cast<size_t>(bind_.record - rule_->Fields.data()), context_.sampleOptions);
  } else {
    Rule alone;
    alone.Fields.push_back(*bind_.record);
    alone.Fields.back().NamedGen.clear();
    result = SampleColumn(alone, 0, context_.sampleOptions);
  }
  for (const std::string& value : result.values) samples_->addItem(Q(value));
  sampleError_->setText(Q(result.error));
}

QStringList ColumnEditor::Samples() const {
  QStringList values;
  for (int i = 0; i < samples_->count(); ++i) values << samples_->item(i)->text();
  return values;
}

QString ColumnEditor::SampleError() const { return sampleError_->text(); }
