// The editors driven as a user drives them, against the demo schema in a
// SQLite file: the wizard builds the project, the rule editor changes columns
// (value list usages, a pattern with its samples, every other setting), named
// generators are made, exported, imported and applied, variables are checked,
// and the project saved, reloaded and run without a rejected row.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "GenTmpl/VLibrary.h"
#include "engine/Generator.h"
#include "engine/RunOptions.h"
#include "project/ProjectDocument.h"
#include "quarnel/ProgramSettings.h"
#include "quarnel/editor/ApplyNamedGenDialog.h"
#include "quarnel/editor/ColumnEditor.h"
#include "quarnel/editor/EditorContext.h"
#include "quarnel/editor/NamedGeneratorsDialog.h"
#include "quarnel/editor/RuleEditor.h"
#include "quarnel/editor/RuleWizard.h"
#include "quarnel/editor/VariablesDialog.h"
#include "support/Log.h"
#include "support/Odbc.h"
#include "support/Prompt.h"
#include "tests/common/ModalGuard.h"
#include "tests/common/TestEnv.h"

namespace {

class RecordingPrompt final : public Prompt {
 public:
  void Message(std::string_view caption, std::string_view text, PromptIcon) override {
    messages.push_back(std::string(caption) + "|" + std::string(text));
  }
  PromptAnswer Ask(std::string_view caption, std::string_view text, PromptIcon, PromptButtons, PromptAnswer) override {
    messages.push_back(std::string(caption) + "|" + std::string(text));
    return answer;
  }
  std::vector<std::string> messages;
  PromptAnswer answer = PromptAnswer::kYes;
};

// Runs `action` and closes every message box it opens, returning their
// captions and texts ("caption|text").
// The first sample that is not NULL: a column's NULL share may make any
// sample NULL.
QString FirstValue(const QStringList& samples) {
  for (const QString& value : samples) {
    if (value != "NULL") return value;
  }
  return {};
}

QStringList MessageBoxesOf(const std::function<void()>& action) {
  QStringList seen;
  QTimer closer;
  closer.setInterval(20);
  QObject::connect(&closer, &QTimer::timeout, [&seen] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      seen << box->windowTitle() + "|" + box->text();
      box->done(QMessageBox::Ok);
    }
  });
  closer.start();
  action();
  closer.stop();
  return seen;
}

template <class T>
T* Child(QWidget* parent, const char* name) {
  T* child = parent->findChild<T*>(name);
  if (!child) qFatal("no child %s", name);
  return child;
}

int ColumnIndex(const Rule& rule, const std::string& name) {
  for (size_t i = 0; i < rule.Fields.size(); ++i) {
    if (rule.Fields[i].Name == name) return static_cast<int>(i);
  }
  return -1;
}

Rule* RuleFor(Project& project, const std::string& table) {
  for (Rule& rule : project.rules) {
    if (rule.Mode == kRuleData && rule.InsMode == kInsAppend && rule.TabName == table) return &rule;
  }
  return nullptr;
}

}  // namespace

class EditorsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void cleanupTestCase();
  void wizardBuildsEveryTable();
  void valueListUsageIsChecked();
  void patternShowsSamples();
  void everySettingSurvivesSaveAndReload();
  void tableChangeRebuildsColumns();
  void templatesAreChecked();
  void namedGeneratorsAreMadeAppliedAndExchanged();
  void variablesAreChecked();
  void projectRunsWithoutRejects();

 private:
  std::unique_ptr<testenv::TempDir> dir_;
  std::unique_ptr<CODBC> db_;
  CLog log_;
  RecordingPrompt prompt_;
  std::unique_ptr<ProjectDocument> doc_;
  TableNameCache tables_;
  VLibrary library_;
  EditorContext context_;
};

void EditorsTest::initTestCase() {
  testenv::UsePrivateEnvironment();
  testenv::GuardQtTestAgainstUnansweredModals();
  SetCurrentPrompt(&prompt_);
  dir_ = std::make_unique<testenv::TempDir>();
  db_ = std::make_unique<CODBC>();
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = testenv::SqliteConnStr(dir_->file("demo.db"));
  QVERIFY(CDB::isOK(db_->Connect(info)));
  QCOMPARE(testenv::RunScript(*db_, testenv::ReadFile(testenv::SourceDir() / "examples" / "demo-schema.sql")), 0);
  doc_ = std::make_unique<ProjectDocument>(&CDB::newDB, &prompt_, &log_);
  doc_->project().Connection = info;

  context_.db = db_.get();
  context_.project = &doc_->project();
  context_.tableNames = &tables_;
  context_.sampleOptions.connection = db_.get();
  context_.sampleOptions.project = &doc_->project();
  context_.sampleOptions.log = &log_;
  context_.sampleOptions.LibraryLocation = (testenv::BinaryDir() / "bin" / "library.db").string();
  QCOMPARE(library_.Open(context_.sampleOptions.LibraryLocation, log_), 0);
  context_.library = &library_;
  context_.sampleOptions.library = &library_;
}

void EditorsTest::cleanupTestCase() {
  doc_.reset();
  db_.reset();
  SetCurrentPrompt(nullptr);
}

void EditorsTest::wizardBuildsEveryTable() {
  std::vector<std::string> names;
  QCOMPARE(tables_.Names(*db_, context_.tableOptions, &names), 0);
  RuleWizard wizard(*doc_, *db_, context_.autoRules, names);
  // The list's buttons act only while the list is chosen.
  for (const char* name : {"tables", "checkAll", "checkNone", "addClear", "removeAll"}) {
    QVERIFY2(!Child<QWidget>(&wizard, name)->isEnabled(), name);
  }
  Child<QRadioButton>(&wizard, "selected")->setChecked(true);
  for (const char* name : {"tables", "checkAll", "checkNone", "addClear", "removeAll"}) {
    QVERIFY2(Child<QWidget>(&wizard, name)->isEnabled(), name);
  }
  auto* list = Child<QListWidget>(&wizard, "tables");
  QCOMPARE(list->count(), 6);
  for (int i = 0; i < list->count(); ++i) list->item(i)->setCheckState(Qt::Checked);
  Child<QCheckBox>(&wizard, "addClear")->setChecked(true);
  Child<QCheckBox>(&wizard, "removeAll")->setChecked(true);
  wizard.accept();
  QCOMPARE(wizard.Status(), 0);
  QCOMPARE(wizard.result(), int(QDialog::Accepted));
  Project& project = doc_->project();
  QVERIFY(doc_->modified());
  QCOMPARE(project.rules.front().Mode, int(kRuleClear));
  // Every table once, children before their parents.
  QCOMPARE(project.rules.front().ClTab.size(), size_t(6));
  for (const char* table : {"categories", "customers", "products", "orders", "order_lines", "payments"}) {
    QVERIFY2(RuleFor(project, table), table);
  }
  // Parents come before the tables that refer to them.
  auto place = [&project](const char* table) { return RuleFor(project, table) - project.rules.data(); };
  QVERIFY(place("categories") < place("products"));
  QVERIFY(place("orders") < place("order_lines"));
  QVERIFY(place("products") < place("order_lines"));

  // Running the wizard again for one table appends one rule.
  const size_t before = project.rules.size();
  RuleWizard single(*doc_, *db_, context_.autoRules, names);
  Child<QComboBox>(&single, "table")->setCurrentText("categories");
  single.accept();
  QCOMPARE(project.rules.size(), before + 1);
  project.rules.pop_back();
}

void EditorsTest::valueListUsageIsChecked() {
  Rule& rule = *RuleFor(doc_->project(), "customers");
  RuleEditor editor(rule, context_);
  const int city = ColumnIndex(editor.Working(), "city");
  QVERIFY(city >= 0);
  editor.SelectColumn(city);
  ColumnEditor* columns = editor.Columns();
  Child<QComboBox>(columns, "method")->setCurrentIndex(kMethodValueList);
  QCOMPARE(editor.Working().Fields[city].Method, int(kMethodValueList));
  auto* list = Child<QTableWidget>(columns, "valueList");
  auto* add = Child<QPushButton>(columns, "addItem");
  QTest::mouseClick(add, Qt::LeftButton);
  QTest::mouseClick(add, Qt::LeftButton);
  QCOMPARE(list->rowCount(), 2);
  list->item(0, 0)->setText("Paris");
  list->item(1, 0)->setText("Rome");

  QCOMPARE(MessageBoxesOf([&] { list->item(0, 1)->setText("150"); }),
           QStringList{"Warning!|Wrong usage % number. 0 to 100 required."});
  QTest::qWait(10);
  QCOMPARE(list->item(0, 1)->text(), QString());  // the refused number is gone again
  QVERIFY(MessageBoxesOf([&] { list->item(0, 1)->setText("70"); }).isEmpty());
  QCOMPARE(MessageBoxesOf([&] { list->item(1, 1)->setText("40"); }), QStringList{"Warning!|Total usage exceeds 100%"});
  QTest::qWait(10);
  QVERIFY(MessageBoxesOf([&] { list->item(1, 1)->setText("30"); }).isEmpty());
  QCOMPARE(MessageBoxesOf([&] { list->item(1, 1)->setText("abc"); }),
           QStringList{"Warning!|Wrong usage % number. 0 to 100 required."});
  QTest::qWait(10);

  const ColumnRule& column = editor.Working().Fields[city];
  QCOMPARE(column.Values, (std::vector<std::string>{"Paris", "Rome"}));
  QCOMPARE(column.ValueUse, (std::vector<int>{70, 30}));
  columns->RefreshSamples();
  QCOMPARE(columns->Samples().size(), 5);
  for (const QString& value : columns->Samples()) {
    QVERIFY2(value == "Paris" || value == "Rome" || value == "NULL", qPrintable(value));
  }
  editor.accept();
  QCOMPARE(rule.Fields[city].ValueUse, (std::vector<int>{70, 30}));
}

void EditorsTest::patternShowsSamples() {
  Rule& rule = *RuleFor(doc_->project(), "customers");
  RuleEditor editor(rule, context_);
  const int phone = ColumnIndex(editor.Working(), "phone");
  editor.SelectColumn(phone);
  ColumnEditor* columns = editor.Columns();
  Child<QComboBox>(columns, "method")->setCurrentIndex(kMethodPattern);
  auto* pattern = Child<QLineEdit>(columns, "pattern");
  pattern->clear();
  QTest::keyClicks(pattern, "NNN-NNNN");
  // The samples follow the typing after a short pause; the column's NULL
  // share may make some of them NULL.
  const QRegularExpression shape("^[0-9]{3}-[0-9]{4}$");
  auto allMatch = [&] {
    const QStringList values = columns->Samples();
    return values.size() == 5 && values.count("NULL") < 5 &&
           std::all_of(values.begin(), values.end(),
                       [&](const QString& v) { return v == "NULL" || shape.match(v).hasMatch(); });
  };
  QVERIFY(!allMatch());
  QTRY_VERIFY_WITH_TIMEOUT(allMatch(), 20000);
  QVERIFY(columns->SampleError().isEmpty());

  // A pattern the engine refuses shows its message instead of values.
  pattern->setText("$NoSuchFunction(1)");
  columns->RefreshSamples();
  QVERIFY(!columns->SampleError().isEmpty());
  pattern->setText("NNN-NNNN");
  editor.accept();
  QCOMPARE(rule.Fields[phone].Mask, std::string("NNN-NNNN"));
  QCOMPARE(rule.Fields[phone].Method, int(kMethodPattern));
}

void EditorsTest::everySettingSurvivesSaveAndReload() {
  Rule& rule = *RuleFor(doc_->project(), "customers");
  {
    RuleEditor editor(rule, context_);
    Child<QComboBox>(&editor, "rowCountMode")->setCurrentIndex(kRcRandom);
    Child<QSpinBox>(&editor, "records")->setValue(25);
    Child<QLineEdit>(&editor, "note")->setText("made in the editor");
    Child<QLineEdit>(&editor, "where")->setText("customer_id > 0");
    auto* keys = Child<QListWidget>(&editor, "updateColumns");
    keys->item(0)->setCheckState(Qt::Checked);
    ColumnEditor* columns = editor.Columns();

    editor.SelectColumn(ColumnIndex(editor.Working(), "notes"));
    Child<QComboBox>(columns, "method")->setCurrentIndex(kMethodRandom);
    Child<QLineEdit>(columns, "lowRange")->setText("5");
    Child<QLineEdit>(columns, "highRange")->setText("20");
    auto* blocks = Child<QTableWidget>(columns, "unicode");
    QCOMPARE(blocks->item(0, 1)->text().left(2), QString("0x"));
    blocks->item(2, 0)->setCheckState(Qt::Checked);
    Child<QSpinBox>(columns, "nullFactor")->setValue(15);
    Child<QComboBox>(columns, "quoting")->setCurrentIndex(2);

    editor.SelectColumn(ColumnIndex(editor.Working(), "credit_limit"));
    Child<QComboBox>(columns, "method")->setCurrentIndex(kMethodComputed);
    Child<QPlainTextEdit>(columns, "expression")->setPlainText("100 * 3");
    Child<QCheckBox>(columns, "unique")->setChecked(true);
    columns->RefreshSamples();
    QCOMPARE(FirstValue(columns->Samples()).toDouble(), 300.0);

    editor.SelectColumn(ColumnIndex(editor.Working(), "email"));
    Child<QComboBox>(columns, "method")->setCurrentIndex(kMethodCustom);
    Child<QLineEdit>(columns, "library")->setText("/opt/gen/libgen.so");
    Child<QLineEdit>(columns, "parameters")->setText("a,b");
    Child<QComboBox>(columns, "method")->setCurrentIndex(kMethodPattern);
    Child<QLineEdit>(columns, "pattern")->setText("aa{8}\\@aaa{6}.com");
    editor.accept();
  }
  QCOMPARE(rule.Fields[ColumnIndex(rule, "credit_limit")].Mask, std::string("$$(100 * 3)"));

  const std::string path = dir_->file("edited.qrp");
  QCOMPARE(doc_->DoSave(path, false), 0);
  ProjectDocument reloaded(&CDB::newDB, &prompt_, &log_);
  QCOMPARE(reloaded.DoLoad(path, true), 0);
  const Rule* back = RuleFor(reloaded.project(), "customers");
  QVERIFY(back);
  QCOMPARE(back->RcMode, int(kRcRandom));
  QCOMPARE(back->Records, 25);
  QCOMPARE(back->note, std::string("made in the editor"));
  QCOMPARE(back->UpdWhere, std::string("customer_id > 0"));
  QCOMPARE(back->updColumn, rule.updColumn);
  QCOMPARE(back->updColumn.size(), size_t(1));
  const ColumnRule& notes = back->Fields[ColumnIndex(*back, "notes")];
  QCOMPARE(notes.LowRange, std::string("5"));
  QCOMPARE(notes.HighRange, std::string("20"));
  QCOMPARE(notes.unicode, std::vector<int>{2});
  QCOMPARE(notes.UseNulls, 15);
  QCOMPARE(notes.AlwaysQuote, 1);
  const ColumnRule& credit = back->Fields[ColumnIndex(*back, "credit_limit")];
  QCOMPARE(credit.Method, int(kMethodComputed));
  QCOMPARE(credit.Mask, std::string("$$(100 * 3)"));
  QCOMPARE(credit.Unique, 1);
  const ColumnRule& city = back->Fields[ColumnIndex(*back, "city")];
  QCOMPARE(city.Values, (std::vector<std::string>{"Paris", "Rome"}));
  QCOMPARE(city.ValueUse, (std::vector<int>{70, 30}));

  // The reloaded column shows the same settings in the editor.
  Rule copy = *back;
  RuleEditor again(copy, context_);
  again.SelectColumn(ColumnIndex(copy, "credit_limit"));
  QCOMPARE(Child<QPlainTextEdit>(again.Columns(), "expression")->toPlainText(), QString("100 * 3"));
  again.SelectColumn(ColumnIndex(copy, "notes"));
  QCOMPARE(Child<QTableWidget>(again.Columns(), "unicode")->item(2, 0)->checkState(), Qt::Checked);
  QCOMPARE(Child<QSpinBox>(again.Columns(), "nullFactor")->value(), 15);
}

void EditorsTest::tableChangeRebuildsColumns() {
  Rule rule;
  RuleEditor editor(rule, context_);
  QCOMPARE(editor.ChangeTable("categories"), 0);
  QCOMPARE(editor.Working().TabName, std::string("categories"));
  QCOMPARE(editor.Working().Fields.size(), size_t(3));
  editor.Working().Fields[1].Mask = "kept";

  // A missing table asks; "Yes" keeps the rule and its columns.
  prompt_.messages.clear();
  prompt_.answer = PromptAnswer::kYes;
  editor.ChangeTable("no_such_table");
  QCOMPARE(prompt_.messages.size(), size_t(1));
  QVERIFY(prompt_.messages[0].find("Table 'no_such_table' does not exist. Do you wish to open the rule?") !=
          std::string::npos);
  QCOMPARE(editor.Working().Fields.size(), size_t(3));
  QCOMPARE(editor.Working().Fields[1].Mask, std::string("kept"));
  editor.reject();
  QVERIFY(rule.Fields.empty());  // cancelled: the rule is untouched
}

void EditorsTest::templatesAreChecked() {
  Rule tables;
  tables.Mode = kRuleTables;
  RuleEditor tablesEditor(tables, context_);
  QCOMPARE(MessageBoxesOf([&] { tablesEditor.accept(); }),
           QStringList{"Warning!|Template name for tables is empty or incorrect. Replaced to '*'."});
  QCOMPARE(tables.TabName, std::string("*"));

  Rule objects;
  objects.Mode = kRuleObjects;
  RuleEditor objectsEditor(objects, context_);
  Child<QLineEdit>(&objectsEditor, "template")->setText("1view");
  QCOMPARE(MessageBoxesOf([&] { objectsEditor.accept(); }),
           QStringList{"Warning!|Template name for objects is empty or incorrect!"});
  QVERIFY(objects.TabName.empty());
  Child<QLineEdit>(&objectsEditor, "template")->setText("v_test");
  Child<QPlainTextEdit>(&objectsEditor, "objectText")->setPlainText("select 1");
  objectsEditor.accept();
  QCOMPARE(objects.TabName, std::string("v_test"));
  QCOMPARE(objects.OText, std::string("select 1"));

  Rule clear;
  clear.Mode = kRuleClear;
  clear.ClTab = {{"orders", 1}, {"payments", 1}};
  RuleEditor clearEditor(clear, context_);
  Child<QListWidget>(&clearEditor, "clearTables")->item(1)->setCheckState(Qt::Unchecked);
  clearEditor.accept();
  QCOMPARE(clear.ClTab[0].ClUse, int16_t(1));
  QCOMPARE(clear.ClTab[1].ClUse, int16_t(0));
}

void EditorsTest::namedGeneratorsAreMadeAppliedAndExchanged() {
  Project& project = doc_->project();
  Rule& customers = *RuleFor(project, "customers");
  const size_t ruleIndex = static_cast<size_t>(&customers - project.rules.data());
  NamedGeneratorsDialog dialog(*doc_, context_);
  QVERIFY(dialog.NewFromColumn(ruleIndex, static_cast<size_t>(ColumnIndex(customers, "email")), "mail"));
  QCOMPARE(project.namedGens.size(), size_t(1));
  QCOMPARE(project.namedGens[0].NamedGen, std::string("mail"));
  QCOMPARE(MessageBoxesOf([&] { dialog.NewFromColumn(ruleIndex, 0, "mail"); }).size(), 1);

  // A refused criterion leaves the dialog open and the project as it was.
  prompt_.messages.clear();
  ApplyNamedGenDialog refused(*doc_, "mail");
  QCOMPARE(refused.windowTitle(), QString("Apply Named Generator 'mail' to"));
  Child<QCheckBox>(&refused, "byName")->setChecked(true);
  refused.accept();
  QCOMPARE(refused.result(), int(QDialog::Rejected));
  QCOMPARE(prompt_.messages, std::vector<std::string>{"Warning!|You must specify column name or it's pert."});

  prompt_.messages.clear();
  ApplyNamedGenDialog apply(*doc_, "mail");
  Child<QCheckBox>(&apply, "byName")->setChecked(true);
  Child<QLineEdit>(&apply, "name")->setText("EMA");
  Child<QComboBox>(&apply, "match")->setCurrentText("Start with");
  Child<QCheckBox>(&apply, "ignoreCase")->setChecked(true);
  apply.accept();
  QCOMPARE(apply.Changes(), 1);
  QCOMPARE(prompt_.messages, std::vector<std::string>{"Apply Named Generator|1 changes made."});
  QCOMPARE(customers.Fields[ColumnIndex(customers, "email")].NamedGen, std::string("mail"));

  // Export, delete and import again; a file name without a suffix gets ".ngen".
  const std::string file = dir_->file("gens.ngen");
  QVERIFY(dialog.ExportTo(dir_->file("gens"), -1));
  QVERIFY(std::filesystem::is_regular_file(file));
  QVERIFY(!std::filesystem::exists(dir_->file("gens")));
  QVERIFY(dialog.Remove(0));
  QVERIFY(project.namedGens.empty());
  QVERIFY(dialog.ImportFrom(file));
  QCOMPARE(project.namedGens.size(), size_t(1));
  QCOMPARE(project.namedGens[0].NamedGen, std::string("mail"));
  QCOMPARE(MessageBoxesOf([&] { dialog.ImportFrom(dir_->file("missing.ngen")); }).size(), 1);
  QCOMPARE(project.namedGens.size(), size_t(1));

  // Editing keeps a unique name and shows samples of the generator alone.
  NamedGeneratorEditor editor(project.namedGens[0], project.namedGens, context_);
  auto* columns = editor.findChild<ColumnEditor*>();
  QVERIFY(columns);
  columns->RefreshSamples();
  QCOMPARE(columns->Samples().size(), 5);
  QVERIFY2(FirstValue(columns->Samples()).contains('@'), qPrintable(columns->Samples().join(",") + columns->SampleError()));
  Child<QLineEdit>(&editor, "name")->clear();
  QCOMPARE(MessageBoxesOf([&] { editor.accept(); }).size(), 1);
  Child<QLineEdit>(&editor, "name")->setText("mail");
  editor.accept();
  QCOMPARE(editor.result(), int(QDialog::Accepted));
}

void EditorsTest::variablesAreChecked() {
  std::vector<GlobalVariable> globals{{"@region", "Constant", "EU", ""}};
  VariablesDialog dialog(*doc_, globals);
  VariableListPage* page = dialog.ProjectPage();
  QCOMPARE(MessageBoxesOf([&] { page->Add(); }),
           QStringList{"Warning!|Please enter name and definition for the variable before."});
  page->SetFields("limit", "Constant", "100");
  QVERIFY(page->Add());
  QCOMPARE(MessageBoxesOf([&] { page->Add(); }),
           QStringList{"Warning!|You can't add same variable again. Please use 'modfiy' button to update it."});
  page->SetFields("limit", "Database Query", "select count(*) from customers");
  QVERIFY(page->Modify());
  dialog.GlobalPage()->SetFields("country", "Constant", "FR");
  QVERIFY(dialog.GlobalPage()->Add());
  dialog.accept();
  QCOMPARE(doc_->project().localVars.size(), size_t(1));
  QCOMPARE(doc_->project().localVars[0].Name, std::string("#limit"));
  QCOMPARE(doc_->project().localVars[0].Type, std::string("Database Query"));
  QCOMPARE(globals.size(), size_t(2));
  QCOMPARE(globals[1].Name, std::string("@country"));
}

void EditorsTest::projectRunsWithoutRejects() {
  Project& project = doc_->project();
  for (Rule& rule : project.rules) {
    rule.RcMode = kRcConstant;
    rule.Records = 20;
    // The settings test left a constant expression marked unique, which only
    // its NULL share could satisfy row after row.
    for (ColumnRule& column : rule.Fields) {
      if (column.Method == kMethodComputed) column.Unique = 0;
    }
  }
  RunOptions options = context_.sampleOptions;
  options.VerifySchema = 0;
  options.consoleMode = 1;
  options.prompt = &prompt_;
  prompt_.messages.clear();
  QuarnelGenerator generator;
  generator.Run(options);
  const RunSummary& summary = generator.Summary();
  QVERIFY2(prompt_.messages.empty(), prompt_.messages.empty() ? "" : prompt_.messages[0].c_str());
  QCOMPARE(summary.rulesFailed, 0);
  QCOMPARE(summary.rejected, uint64_t(0));
  QVERIFY(summary.inserted >= 120);
  QVERIFY(CDB::isOK(db_->Exec("select count(*) from customers where city in ('Paris', 'Rome')")));
  QVERIFY(CDB::isOK(db_->Fetch()));
  int64_t cities = 0;
  long ind = 0;
  db_->GetData(1, &cities, &ind);
  db_->FreeStmt();
  QVERIFY(cities > 0);
}

QTEST_MAIN(EditorsTest)
#include "Editors_test.moc"
