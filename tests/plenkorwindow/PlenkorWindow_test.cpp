// The window driven as a user drives it: fields from the generator menu,
// options that rebuild patterns, runs to real files, the dialogs and the
// definition files. Runs under the offscreen platform.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QTimeEdit>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <functional>
#include <memory>

#include "gui/LogWindow.h"
#include "plenkor/FlatFile.h"
#include "plenkor/Generators.h"
#include "plenkor/PlenkorSettings.h"
#include "plenkor/window/GuiThread.h"
#include "plenkor/window/OverwriteDialog.h"
#include "plenkor/window/PlenkorWindow.h"
#include "support/Log.h"
#include "support/Settings.h"
#include "tests/common/ModalGuard.h"
#include "tests/common/TestEnv.h"

namespace {

// Records what the window says and answers its questions from a queue (the
// preselected answer when the queue is empty).
class ScriptedPrompt final : public Prompt {
 public:
  void Message(std::string_view caption, std::string_view text, PromptIcon) override {
    if (onMessage) onMessage();
    messages.push_back(std::string(caption) + "|" + std::string(text));
  }
  PromptAnswer Ask(std::string_view caption, std::string_view text, PromptIcon, PromptButtons,
                   PromptAnswer preselected) override {
    questions.push_back(std::string(caption) + "|" + std::string(text));
    if (answers.empty()) return preselected;
    const PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::deque<PromptAnswer> answers;
  std::function<void()> onMessage;  // called first, on the caller's thread
};

QStringList FileLines(const std::string& path) {
  QStringList lines = QString::fromStdString(testenv::ReadFile(path)).split("\n");
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  for (QString& line : lines) {
    if (line.endsWith('\r')) line.chop(1);
  }
  return lines;
}

// The menu action of a generator, searched through the category sub-menus.
QAction* MenuAction(QMenu* menu, const QString& label) {
  for (QAction* action : menu->actions()) {
    if (action->menu()) {
      if (QAction* found = MenuAction(action->menu(), label)) return found;
    } else if (action->data().toString() == label) {
      return action;
    }
  }
  return nullptr;
}

// Answers the next modal dialog with `answer` once it shows.
void WhenDialogShows(std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    timer->stop();
    timer->deleteLater();
    answer(dialog);
  });
  timer->start(10);
}

}  // namespace

class PlenkorWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void init();
  void cleanup();

  void namesProposeGeneratorsAndFieldsComeFromTheMenu();
  void optionsRebuildThePatternAndTheSamples();
  void optionsShowTheSelectedFieldAndEditsKeepTheRest();
  void onlyTheCustomGeneratorTakesATypedPattern();
  void editingTheSelectedFieldChangesItInPlace();
  void removeAsksAndMovesReorder();
  void runWritesACsvFileThatReadsBack();
  void checksBeforeTheRunStopItAndWriteNothing();
  void overwriteDialogRemembersTheChoice();
  void cancelStopsALargeRunAndTheWindowStaysResponsive();
  void definitionSavesAndLoadsAgain();
  void unsavedChangesAreAskedAbout();
  void structureExportsAndImports();
  void settingsDialogSavesAndTakesEffect();
  void theLogOpensInAWindowThatFollowsItAndSearches();
  void tenFieldsFromTheMenuPreviewedAndWritten();

 private:
  template <typename T>
  T* Child(const char* name) {
    T* child = window_->findChild<T*>(name);
    if (!child) qFatal("no child %s", name);
    return child;
  }
  void Trigger(const char* action) { Child<QAction>(action)->trigger(); }
  void TypeName(const QString& name);
  void Choose(const QString& label);
  void AddField(const QString& name, const QString& label);
  QString Pattern() { return Child<QLineEdit>("pattern")->text(); }
  QString Samples() { return Child<QPlainTextEdit>("samples")->toPlainText(); }
  QStringList SampleLines() { return Samples().split('\n'); }
  QString ListText(int row, int column) {
    QTableView* list = Child<QTableView>("fields");
    return list->model()->index(row, column).data().toString();
  }
  void SetOutput(const std::string& file, int formatIndex, int rows);
  void RunAndWait(int timeoutMs = 60000);
  QString Status() { return Child<QLabel>("status")->text(); }
  // With PLENKOR_SCREENSHOTS set to a folder, saves the window there as
  // plenkor-NAME.png (scripts/plenkor-screenshots.sh makes the README's).
  void Snapshot(const char* name, QWidget* widget = nullptr) {
    const QString folder = qEnvironmentVariable("PLENKOR_SCREENSHOTS");
    if (!folder.isEmpty()) QVERIFY((widget ? widget : window_.get())->grab().save(folder + "/plenkor-" + name + ".png"));
  }

  std::unique_ptr<testenv::TempDir> home_;
  std::unique_ptr<testenv::TempDir> dir_;
  std::unique_ptr<_Settings> settings_;
  // One log for the whole program: the pattern engines share one value
  // library, which keeps the log of the engine that opened it.
  CLog log_;
  std::unique_ptr<ScriptedPrompt> prompt_;
  std::unique_ptr<PlenkorWindow> window_;
};

void PlenkorWindowTest::initTestCase() {
  testenv::UsePrivateEnvironment();
  testenv::GuardQtTestAgainstUnansweredModals();
  QCOMPARE(log_.Begin("plenkor", nullptr, "plenkor"), 0);
}

void PlenkorWindowTest::init() {
  home_ = std::make_unique<testenv::TempDir>();
  dir_ = std::make_unique<testenv::TempDir>();
  qputenv("QUARNEL_HOME", home_->path().string().c_str());
  settings_ = std::make_unique<_Settings>();
  RegisterPlenkorSettings(*settings_);
  settings_->SetProfileName(kPlenkorProfile, &log_);
  prompt_ = std::make_unique<ScriptedPrompt>();
  const std::string library = (testenv::BinaryDir() / "library.db").string();
  window_ = std::make_unique<PlenkorWindow>(PlenkorServices{*settings_, log_, *prompt_, nullptr, library});
  window_->show();
}

void PlenkorWindowTest::cleanup() {
  window_.reset();
  prompt_.reset();
  settings_.reset();
  dir_.reset();
  home_.reset();
  testenv::UsePrivateEnvironment();  // back to the program's own home
}

void PlenkorWindowTest::TypeName(const QString& name) {
  auto* edit = Child<QLineEdit>("name");
  edit->clear();
  QTest::keyClicks(edit, name);
  QTest::keyClick(edit, Qt::Key_Return);
}

void PlenkorWindowTest::Choose(const QString& label) {
  QAction* action = MenuAction(Child<QMenu>("generatorMenu"), label);
  QVERIFY2(action, qPrintable("no menu entry " + label));
  action->trigger();
}

void PlenkorWindowTest::AddField(const QString& name, const QString& label) {
  TypeName(name);
  if (!label.isEmpty()) Choose(label);
  Trigger("add");
}

void PlenkorWindowTest::SetOutput(const std::string& file, int formatIndex, int rows) {
  auto* name = Child<QLineEdit>("fileName");
  name->clear();
  QTest::keyClicks(name, QString::fromStdString(file));
  Child<QComboBox>("format")->setCurrentIndex(formatIndex);
  Child<QSpinBox>("rows")->setValue(rows);
}

void PlenkorWindowTest::RunAndWait(int timeoutMs) {
  Trigger("execute");
  QTRY_VERIFY_WITH_TIMEOUT(!window_->Running(), timeoutMs);
  QCoreApplication::processEvents();
}

void PlenkorWindowTest::namesProposeGeneratorsAndFieldsComeFromTheMenu() {
  TypeName("E-Mail");
  QCOMPARE(Child<QLineEdit>("generator")->text(), QString("e-mail"));
  QCOMPARE(Pattern(), QString("$Lib(FirstNames)[.$Lib(LastNames)]\\@$Lib(Companies,Domain)"));
  QVERIFY(Samples().contains('@'));
  Trigger("add");
  QCOMPARE(ListText(0, 0), QString("E-Mail"));
  QCOMPARE(ListText(0, 2), QString("e-mail"));
  QVERIFY(ListText(0, 3).contains('@'));

  // After adding, the editor is empty again; "mail" proposes nothing.
  QCOMPARE(Child<QLineEdit>("generator")->text(), QString());
  TypeName("mail");
  QCOMPARE(Child<QLineEdit>("generator")->text(), QString());
  Trigger("add");
  QCOMPARE(prompt_->messages.size(), size_t{1});
  QCOMPARE(QString::fromStdString(prompt_->messages[0]),
           QString("Warning|The generator not specified yet.\n\nPlease select it from drop down menu."));
  QCOMPARE(window_->Definition().rules[0].Fields.size(), size_t{1});

  Choose("City");
  Trigger("add");
  const std::vector<ColumnRule>& fields = window_->Definition().rules[0].Fields;
  QCOMPARE(fields.size(), size_t{2});
  QCOMPARE(QString::fromStdString(fields[1].Name), QString("mail"));
  QCOMPARE(QString::fromStdString(fields[1].Mask), QString("$Lib(Cities)"));
  QVERIFY(!ListText(1, 3).isEmpty());
  QVERIFY(window_->isWindowModified());

  // Every entry of the menu is there, under its category.
  QMenu* menu = Child<QMenu>("generatorMenu");
  QStringList topLevel;
  for (QAction* action : menu->actions()) topLevel << action->text();
  QCOMPARE(topLevel, QStringList({"General", "Personal", "Geographic", "Business", "Regular Expression",
                                  "Custom Generator"}));
  for (const GeneratorEntry& entry : GeneratorMenu()) QVERIFY(MenuAction(menu, QString::fromUtf8(entry.label.data(), entry.label.size())));
}

void PlenkorWindowTest::optionsRebuildThePatternAndTheSamples() {
  // A fresh choice writes the pattern its panel shows, and the type of its values.
  Choose("Random Number");
  QCOMPARE(Pattern(), QString("$RInt(1,100,%d)"));
  QCOMPARE(Child<QComboBox>("type")->currentText(), QString("Integer"));
  for (const QString& number : SampleLines()) QVERIFY2(number.toInt() >= 1 && number.toInt() <= 100, qPrintable(number));
  QVERIFY(Child<QStackedWidget>("options")->currentWidget()->isAncestorOf(Child<QSpinBox>("width")));
  auto* width = Child<QSpinBox>("width");
  width->setValue(5);
  Child<QCheckBox>("leadingZeros")->setChecked(true);
  QCOMPARE(Pattern(), QString("$RInt(1,100,%05d)"));
  const QStringList numbers = SampleLines();
  QVERIFY2(numbers.size() == kPreviewRows, qPrintable(Samples()));
  for (const QString& number : numbers) QVERIFY2(QRegularExpression("^\\d{5}$").match(number).hasMatch(), qPrintable(number));

  auto* to = Child<QLineEdit>("numberTo");
  to->clear();
  QTest::keyClicks(to, "9x");  // the validator keeps the letter out
  QCOMPARE(Pattern(), QString("$RInt(1,9,%05d)"));
  Child<QSpinBox>("decimals")->setValue(2);
  QCOMPARE(Pattern(), QString("$RFloat(1,9,2,%.2f)"));
  QVERIFY(QRegularExpression("^\\d\\.\\d\\d$").match(SampleLines().first()).hasMatch());

  QCOMPARE(Child<QComboBox>("type")->currentText(), QString("String"));  // no type of its own for decimals

  Choose("Random Date");
  auto* format = Child<QComboBox>("dateFormat");
  QVERIFY2(Pattern().startsWith("$RDate(" + format->currentText() + ",") && Pattern().count(',') == 2,
           qPrintable(Pattern()));
  QCOMPARE(Child<QComboBox>("type")->currentText(), QString("Date"));
  format->setCurrentIndex(format->findText("DD.MM.YYYY"));
  QCOMPARE(Pattern(), QString("$RDate(DD.MM.YYYY,01.01.2000,31.12.2010)"));
  format->setCurrentIndex(format->findText("MM/DD/YYYY"));
  QCOMPARE(Pattern(), QString("$RDate(MM/DD/YYYY,01/01/2000,12/31/2010)"));
  QVERIFY(QRegularExpression("^\\d\\d/\\d\\d/20(0\\d|10)$").match(SampleLines().first()).hasMatch());

  Choose("Random String");
  Child<QSpinBox>("lengthFrom")->setValue(3);
  Child<QSpinBox>("lengthTo")->setValue(3);
  QCOMPARE(Pattern(), QString("A{3:3}"));
  QCOMPARE(SampleLines().first().size(), 3);

  Choose("Phone");
  auto* phone = Child<QComboBox>("phoneFormat");
  phone->setCurrentIndex(phone->findText("NNN-NN-NN"));
  QCOMPARE(Pattern(), QString("NNN-NN-NN"));
  QVERIFY(QRegularExpression("^\\d{3}-\\d\\d-\\d\\d$").match(SampleLines().first()).hasMatch());

  Choose("Regular Expression");
  QCOMPARE(Pattern(), QString());
  QTest::keyClicks(Child<QLineEdit>("expression"), "[ab]{4}");
  QCOMPARE(Pattern(), QString("$Regexp([ab]{4})"));
  QVERIFY(QRegularExpression("^[ab]{4}$").match(SampleLines().first()).hasMatch());

  Choose("Month");
  QVERIFY(Child<QLabel>("noOptions")->isVisible());
  QCOMPARE(Child<QLabel>("noOptions")->text(), QString("There are no options for this generator type."));

  // The locale's entries are in the date and time lists, selected.
  QVERIFY(Child<QComboBox>("dateFormat")->currentText() == QString::fromStdString(DateFormats().items[DateFormats().selected]));
  QVERIFY(Child<QComboBox>("timeFormat")->currentText() == QString::fromStdString(TimeFormats().items[TimeFormats().selected]));
}

void PlenkorWindowTest::optionsShowTheSelectedFieldAndEditsKeepTheRest() {
  // A definition whose options were set before, opened as a user opens it.
  Project definition = NewDefinition();
  const std::vector<ColumnRule> fields = {
      MakeField("Salary", "String", 0, "Random Number", "$RFloat(1000,9000,2,%.2f)", 1),
      MakeField("Code", "String", 6, "Random String", "A{3:8}", 2),
      MakeField("Born", "Date", 0, "Random Date", "$RDate(YYYY-MM-DD,1990-05-17,1999-12-31)", 3),
      MakeField("At", "Time", 0, "Random Time", "$RTime(HH:MM,08:00,17:30)", 4),
      MakeField("Phone", "String", 0, "Phone", "NNN-NN-NN", 5),
      MakeField("Pick", "String", 0, "Regular Expression", "$Regexp([xy]{2})", 6),
      MakeField("Serial", "Integer", 0, "Random Number", "$RInt(5,50,%04d)", 7),
      MakeField("Loose", "String", 0, "Random Number", "$RInt($Inc(),9)", 8)};
  std::string message;
  for (const ColumnRule& field : fields) QCOMPARE(::AddField(definition, field, &message), 0);
  const QString path = QString::fromStdString(dir_->file("options.qrp"));
  QCOMPARE(SaveDefinition(path.toStdString(), definition, &message), 0);
  QVERIFY(window_->OpenDefinition(path));
  QTableView* list = Child<QTableView>("fields");

  // Each field's panel shows the field's own options.
  list->selectRow(0);
  Snapshot("options");
  QCOMPARE(Child<QLineEdit>("numberFrom")->text(), QString("1000"));
  QCOMPARE(Child<QLineEdit>("numberTo")->text(), QString("9000"));
  QCOMPARE(Child<QSpinBox>("decimals")->value(), 2);
  for (const QString& salary : SampleLines()) {
    QVERIFY2(QRegularExpression("^\\d{4}\\.\\d\\d$").match(salary).hasMatch(), qPrintable(salary));
  }
  list->selectRow(1);
  QCOMPARE(Child<QSpinBox>("lengthFrom")->value(), 3);
  QCOMPARE(Child<QSpinBox>("lengthTo")->value(), 8);
  list->selectRow(2);
  QCOMPARE(Child<QComboBox>("dateFormat")->currentText(), QString("YYYY-MM-DD"));
  QCOMPARE(Child<QDateEdit>("dateFrom")->date(), QDate(1990, 5, 17));
  QCOMPARE(Child<QDateEdit>("dateTo")->date(), QDate(1999, 12, 31));
  list->selectRow(3);
  QCOMPARE(Child<QComboBox>("timeFormat")->currentText(), QString("HH:MM"));
  QCOMPARE(Child<QTimeEdit>("timeFrom")->time(), QTime(8, 0));
  QCOMPARE(Child<QTimeEdit>("timeTo")->time(), QTime(17, 30));
  list->selectRow(4);
  QCOMPARE(Child<QComboBox>("phoneFormat")->currentText(), QString("NNN-NN-NN"));
  list->selectRow(5);
  QCOMPARE(Child<QLineEdit>("expression")->text(), QString("[xy]{2}"));
  list->selectRow(6);
  QCOMPARE(Child<QLineEdit>("numberFrom")->text(), QString("5"));
  QCOMPARE(Child<QLineEdit>("numberTo")->text(), QString("50"));
  QCOMPARE(Child<QSpinBox>("width")->value(), 4);
  QVERIFY(Child<QCheckBox>("leadingZeros")->isChecked());
  // Showing a field's options changes nothing.
  QVERIFY(!window_->isWindowModified());
  // A pattern the panel cannot show is left as it is until an option is edited.
  list->selectRow(7);
  QCOMPARE(Pattern(), QString("$RInt($Inc(),9)"));
  QVERIFY(!window_->isWindowModified());

  // Editing one option keeps the others.
  list->selectRow(0);
  Child<QSpinBox>("decimals")->setValue(3);
  QCOMPARE(Pattern(), QString("$RFloat(1000,9000,3,%.3f)"));
  list->selectRow(2);
  Child<QDateEdit>("dateTo")->setDate(QDate(2001, 2, 3));
  QCOMPARE(Pattern(), QString("$RDate(YYYY-MM-DD,1990-05-17,2001-02-03)"));
  list->selectRow(3);
  Child<QTimeEdit>("timeFrom")->setTime(QTime(9, 15));
  QCOMPARE(Pattern(), QString("$RTime(HH:MM,09:15,17:30)"));
  list->selectRow(1);
  Child<QSpinBox>("lengthTo")->setValue(4);
  QCOMPARE(Pattern(), QString("A{3:4}"));
  QCOMPARE(ListText(1, 1), QString("String(6)"));

  // Choosing a number generator for a listed field gives it the Integer type.
  list->selectRow(4);
  Choose("Random Number");
  QCOMPARE(ListText(4, 1), QString("Integer"));
  QVERIFY(window_->isWindowModified());

  // What the panels show is what is saved, and what the exported structure says.
  QVERIFY(window_->SaveDefinitionTo(path));
  Project saved;
  int warnings = 0;
  QCOMPARE(LoadDefinition(path.toStdString(), saved, &warnings, &message), 0);
  QStringList masks;
  for (const ColumnRule& field : saved.rules[0].Fields) masks << QString::fromStdString(field.Mask);
  QCOMPARE(masks, QStringList({"$RFloat(1000,9000,3,%.3f)", "A{3:4}", "$RDate(YYYY-MM-DD,1990-05-17,2001-02-03)",
                               "$RTime(HH:MM,09:15,17:30)", "$RInt(1,100,%d)", "$Regexp([xy]{2})",
                               "$RInt(5,50,%04d)", "$RInt($Inc(),9)"}));
  const std::string structure = dir_->file("structure.sql");
  QVERIFY(window_->ExportStructureTo(QString::fromStdString(structure), true, "people"));
  const QStringList lines = FileLines(structure);
  QVERIFY2(lines.contains("\tPhone Integer,"), qPrintable(lines.join('|')));
  QVERIFY2(lines.contains("\tBorn Date,"), qPrintable(lines.join('|')));
}

void PlenkorWindowTest::onlyTheCustomGeneratorTakesATypedPattern() {
  auto* pattern = Child<QLineEdit>("pattern");
  Choose("Color");
  QVERIFY(pattern->isReadOnly());
  Choose("Custom Generator");
  QVERIFY(!pattern->isReadOnly());
  QCOMPARE(pattern->text(), QString("$Lib(Colors)"));  // kept for editing
  pattern->clear();
  QTest::keyClicks(pattern, "id-$Inc()");
  QTest::keyClick(pattern, Qt::Key_Tab);
  pattern->editingFinished();
  QCOMPARE(SampleLines(), QStringList({"id-1", "id-2", "id-3", "id-4", "id-5"}));

  // A pattern with an unknown function stops the preview after one row.
  pattern->clear();
  QTest::keyClicks(pattern, "$NoSuchFunction()");
  pattern->editingFinished();
  QVERIFY(!Samples().isEmpty());
  QVERIFY(SampleLines().size() <= 2);
}

void PlenkorWindowTest::editingTheSelectedFieldChangesItInPlace() {
  AddField("Code", "Random String");
  AddField("Amount", "Random Number");
  QTableView* list = Child<QTableView>("fields");
  list->selectRow(0);
  QCOMPARE(Child<QLineEdit>("name")->text(), QString("Code"));
  QCOMPARE(Pattern(), QString("A{5:20}"));

  auto* type = Child<QComboBox>("type");
  type->setCurrentText("String");
  Child<QSpinBox>("size")->setValue(10);
  QCOMPARE(ListText(0, 1), QString("String(10)"));
  // The columns are as wide as what they show.
  for (const auto& [column, text] : {std::pair{1, "String(10)"}, std::pair{2, "Random Number"}}) {
    QVERIFY2(list->columnWidth(column) > list->fontMetrics().horizontalAdvance(text), text);
  }
  const ColumnRule& code = window_->Definition().rules[0].Fields[0];
  QCOMPARE(code.iType, int16_t{12});
  QCOMPARE(code.iSize, 10);

  Child<QSpinBox>("lengthTo")->setValue(7);
  QCOMPARE(QString::fromStdString(window_->Definition().rules[0].Fields[0].Mask), QString("A{5:7}"));
  TypeName("Key");
  QCOMPARE(ListText(0, 0), QString("Key"));
  // Renaming a listed field keeps its generator even when the name matches another.
  TypeName("City");
  QCOMPARE(ListText(0, 2), QString("Random String"));

  list->selectRow(1);
  Choose("IP Address");
  QCOMPARE(ListText(1, 2), QString("IP Address"));
  QVERIFY(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$").match(ListText(1, 3)).hasMatch());
}

void PlenkorWindowTest::removeAsksAndMovesReorder() {
  AddField("A", "Color");
  AddField("B", "Month");
  AddField("C", "City");
  QTableView* list = Child<QTableView>("fields");
  // The field commands wait for a field to act on.
  for (const char* command : {"remove", "up", "down"}) QVERIFY2(!Child<QAction>(command)->isEnabled(), command);
  list->selectRow(2);
  QVERIFY(Child<QAction>("up")->isEnabled());
  QVERIFY(!Child<QAction>("down")->isEnabled());  // already last
  Trigger("up");
  QCOMPARE(ListText(1, 0), QString("C"));
  QCOMPARE(list->selectionModel()->selectedRows().first().row(), 1);
  Trigger("up");
  Trigger("up");  // already first: nothing happens
  QCOMPARE(ListText(0, 0), QString("C"));
  Trigger("down");
  QCOMPARE(ListText(1, 0), QString("C"));

  prompt_->answers = {PromptAnswer::kNo};
  Trigger("remove");
  QCOMPARE(QString::fromStdString(prompt_->questions.back()), QString("Warning|Do you want to remove column 'C'?"));
  QCOMPARE(list->model()->rowCount(), 3);
  prompt_->answers = {PromptAnswer::kYes};
  Trigger("remove");
  QCOMPARE(list->model()->rowCount(), 2);
  QCOMPARE(ListText(0, 0), QString("A"));
  QCOMPARE(ListText(1, 0), QString("B"));
  Trigger("remove");  // nothing selected: nothing asked
  QCOMPARE(prompt_->questions.size(), size_t{2});
}

void PlenkorWindowTest::runWritesACsvFileThatReadsBack() {
  AddField("Id", "Custom Generator");
  Child<QTableView>("fields")->selectRow(0);
  auto* pattern = Child<QLineEdit>("pattern");
  QTest::keyClicks(pattern, "$Inc()");
  pattern->editingFinished();
  Child<QTableView>("fields")->clearSelection();
  AddField("Color", "Color");
  AddField("Amount", "Random Number");
  const std::string out = dir_->file("out.csv");
  SetOutput(out, 1, 50);
  Child<QCheckBox>("header")->setChecked(true);
  RunAndWait();
  QCOMPARE(Status(), QString("Done"));
  QVERIFY(!Child<QProgressBar>("progress")->isVisible());
  QVERIFY(Child<QAction>("execute")->isEnabled());
  QVERIFY(!Child<QAction>("cancel")->isEnabled());
  const QStringList lines = FileLines(out);
  QCOMPARE(lines.size(), 51);
  QCOMPARE(lines[0], QString("Id,Color,Amount"));
  for (int i = 1; i <= 50; ++i) {
    const QStringList values = lines[i].split(',');
    QCOMPARE(values.size(), 3);
    QCOMPARE(values[0], QString::number(i));
    QVERIFY(!values[1].isEmpty());
    const int amount = values[2].toInt();
    QVERIFY(amount >= 0 && amount <= 32767);
  }
  QVERIFY(QString::fromStdString(log_.GetLastRows()).contains(QRegularExpression("50 rows, .* per second\\.")));

  // Append mode keeps what is there.
  Child<QCheckBox>("append")->setChecked(true);
  Child<QCheckBox>("header")->setChecked(false);
  Child<QSpinBox>("rows")->setValue(5);
  RunAndWait();
  QCOMPARE(FileLines(out).size(), 56);
  QVERIFY(prompt_->messages.empty());
}

void PlenkorWindowTest::checksBeforeTheRunStopItAndWriteNothing() {
  // Each check speaks over the window as the user left it: the definition
  // and the commands enabled, no progress bar. The run's worker asks the
  // window's thread what it shows.
  QStringList shownWith;
  prompt_->onMessage = [this, &shownWith] {
    shownWith << OnGuiThread([this] {
      return QString("definition %1, commands %2, bar %3")
          .arg(Child<QLineEdit>("fileName")->isEnabled() ? "enabled" : "disabled",
               Child<QAction>("add")->isEnabled() ? "enabled" : "disabled",
               Child<QProgressBar>("progress")->isVisible() ? "shown" : "hidden");
    });
  };
  const QString untouched("definition enabled, commands enabled, bar hidden");
  RunAndWait();
  QCOMPARE(QString::fromStdString(prompt_->messages.back()),
           QString("Warning|Please specify output file name before the project execution."));
  SetOutput(dir_->file("none.txt"), 0, 10);
  RunAndWait();
  QCOMPARE(QString::fromStdString(prompt_->messages.back()), QString("Warning|You must specify at least one field."));
  QVERIFY(!std::filesystem::exists(dir_->file("none.txt")));
  QCOMPARE(Status(), QString());

  AddField("Color", "Color");
  SetOutput(dir_->file("missing-folder/out.txt"), 0, 10);
  RunAndWait();
  QVERIFY(QString::fromStdString(prompt_->messages.back()).startsWith("Warning|Could not open output file '"));
  QVERIFY(Child<QAction>("execute")->isEnabled());

  // A field whose pattern the engine cannot read stops the run before its rows.
  AddField("Broken", "Custom Generator");
  Child<QTableView>("fields")->selectRow(1);
  auto* pattern = Child<QLineEdit>("pattern");
  pattern->clear();
  QTest::keyClicks(pattern, "$RInt(1,");
  pattern->editingFinished();
  QCOMPARE(QString::fromStdString(window_->Definition().rules[0].Fields[1].Mask), QString("$RInt(1,"));
  SetOutput(dir_->file("broken.txt"), 0, 10);
  RunAndWait();
  QCOMPARE(QString::fromStdString(prompt_->messages.back()),
           QString("Wrong Pattern|Error: 'Function: brackets coordination error.'\r\nPattern '$RInt(1,'"));
  QVERIFY(!std::filesystem::exists(dir_->file("broken.txt")));
  QCOMPARE(Status(), QString());
  QCOMPARE(shownWith.size(), qsizetype(prompt_->messages.size()));
  for (const QString& state : shownWith) QCOMPARE(state, untouched);
  QVERIFY(!Child<QProgressBar>("progress")->isVisible());
  prompt_->onMessage = {};
  prompt_->answers = {PromptAnswer::kYes};
  Trigger("remove");
  QCOMPARE(Child<QTableView>("fields")->model()->rowCount(), 1);

  // The date macro names the file with today's date.
  SetOutput(dir_->file("out_$DATE$.txt"), 0, 3);
  RunAndWait();
  const std::string dated = dir_->file("out_" + QDate::currentDate().toString("ddMMyyyy").toStdString() + ".txt");
  QCOMPARE(FileLines(dated).size(), 3);
}

void PlenkorWindowTest::overwriteDialogRemembersTheChoice() {
  AddField("Color", "Color");
  const std::string out = dir_->file("out.txt");
  testenv::WriteFile(out, "precious\n");
  SetOutput(out, 0, 4);

  // Cancel with the box checked: nothing written, "ask" stays 1.
  QString shown;
  WhenDialogShows([&](QWidget* dialog) {
    shown = dialog->windowTitle() + "|" + dialog->findChildren<QLabel*>().first()->text();
    dialog->findChild<QCheckBox*>()->setChecked(true);
    qobject_cast<QDialog*>(dialog)->reject();
  });
  RunAndWait();
  QCOMPARE(shown, QString("Output File|The output file is already exists :"));
  QCOMPARE(testenv::ReadFile(out), std::string("precious\n"));
  QCOMPARE(settings_->getInt("PkAskOverwrite"), 1);
  QCOMPARE(Status(), QString());

  // Overwrite with the box checked: written, and not asked again.
  WhenDialogShows([](QWidget* dialog) {
    dialog->findChild<QCheckBox*>()->setChecked(true);
    dialog->findChild<QPushButton*>("overwrite")->click();
  });
  RunAndWait();
  QCOMPARE(FileLines(out).size(), 4);
  QCOMPARE(settings_->getInt("PkAskOverwrite"), 0);
  Child<QSpinBox>("rows")->setValue(2);
  RunAndWait();
  QCOMPARE(FileLines(out).size(), 2);
  QCOMPARE(Status(), QString("Done"));
}

void PlenkorWindowTest::cancelStopsALargeRunAndTheWindowStaysResponsive() {
  AddField("Code", "Random String");
  AddField("Amount", "Random Number");
  const std::string out = dir_->file("big.txt");
  SetOutput(out, 0, 50000000);
  Trigger("execute");
  QVERIFY(window_->Running());
  // The bar shows, and the window is disabled, once the rows start (checks
  // that stop a run change neither).
  QTRY_VERIFY_WITH_TIMEOUT(Child<QProgressBar>("progress")->isVisible(), 30000);
  QVERIFY(!Child<QAction>("execute")->isEnabled());
  QVERIFY(!Child<QLineEdit>("fileName")->isEnabled());
  // Progress reaches the status line while the worker writes.
  QTRY_VERIFY_WITH_TIMEOUT(Status().startsWith("Row: "), 30000);
  QCOMPARE(Child<QProgressBar>("progress")->maximum(), 50000000);
  Trigger("cancel");
  QTRY_VERIFY_WITH_TIMEOUT(!window_->Running(), 30000);
  QCOMPARE(Status(), QString("Cancelled"));
  const qsizetype written = FileLines(out).size();
  QVERIFY(written > 0);
  QVERIFY(written < 50000000);
  QVERIFY(!Child<QProgressBar>("progress")->isVisible());

  // Closing during a run cancels it and closes once the worker is done.
  settings_->setInt("PkAskOverwrite", 0);
  Trigger("execute");
  QVERIFY(window_->Running());
  prompt_->answers = {PromptAnswer::kNo};  // discard the unsaved definition
  window_->close();
  QVERIFY(window_->isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(!window_->Running(), 30000);
  QTRY_VERIFY(!window_->isVisible());
}

void PlenkorWindowTest::definitionSavesAndLoadsAgain() {
  AddField("Name", "Full Name");
  AddField("Phone", {});
  AddField("Total", "Random Number");
  Child<QTableView>("fields")->selectRow(2);
  Child<QSpinBox>("decimals")->setValue(2);
  SetOutput(dir_->file("people.txt"), 3, 1234);
  QTest::keyClicks(Child<QLineEdit>("separator"), ";");
  Child<QCheckBox>("header")->setChecked(true);
  const QString path = QString::fromStdString(dir_->file("people.qrp"));
  QVERIFY(window_->SaveDefinitionTo(path));
  QVERIFY(!window_->isWindowModified());
  QVERIFY(prompt_->questions.empty());

  Trigger("new");
  QCOMPARE(Child<QTableView>("fields")->model()->rowCount(), 0);
  QCOMPARE(Child<QLineEdit>("fileName")->text(), QString());
  QVERIFY(window_->OpenDefinition(path));
  QCOMPARE(Child<QTableView>("fields")->model()->rowCount(), 3);
  QCOMPARE(ListText(1, 2), QString("Phone"));
  QCOMPARE(ListText(2, 2), QString("Random Number"));
  QCOMPARE(QString::fromStdString(window_->Definition().rules[0].Fields[2].Mask), QString("$RFloat(1,100,2,%.2f)"));
  QCOMPARE(Child<QComboBox>("format")->currentText(), QString("With custom separators"));
  QCOMPARE(Child<QLineEdit>("separator")->text(), QString(";"));
  QVERIFY(Child<QLineEdit>("separator")->isEnabled());
  QVERIFY(Child<QCheckBox>("header")->isChecked());
  QCOMPARE(Child<QSpinBox>("rows")->value(), 1234);
  QVERIFY(!window_->isWindowModified());
  QVERIFY(window_->windowTitle().startsWith("people.qrp"));

  // The recent-files drop-down lists it.
  auto* recent = Child<QMenu>("recentMenu");
  QMetaObject::invokeMethod(recent, "aboutToShow");
  QCOMPARE(recent->actions().size(), 1);
  QCOMPARE(recent->actions().first()->text(), QFileInfo(path).absoluteFilePath());

  // A file that is no definition is refused and the definition kept.
  testenv::WriteFile(dir_->file("broken.qrp"), "\x01\x02 not a definition");
  window_->OpenDefinition(QString::fromStdString(dir_->file("missing.qrp")));
  QVERIFY(prompt_->messages.back().starts_with("Warning|"));
  QCOMPARE(Child<QTableView>("fields")->model()->rowCount(), 3);

  // Saving an empty definition asks first; "No" writes nothing.
  Trigger("new");
  prompt_->answers = {PromptAnswer::kNo};
  QVERIFY(!window_->SaveDefinitionTo(QString::fromStdString(dir_->file("empty.qrp"))));
  QCOMPARE(QString::fromStdString(prompt_->questions.back()),
           QString("Warning|No column was defined.\nDo you wish to save empty file?"));
  QVERIFY(!std::filesystem::exists(dir_->file("empty.qrp")));

  // Closing stores the column widths and the last file.
  window_->OpenDefinition(path);
  Child<QTableView>("fields")->setColumnWidth(0, 123);
  window_->close();
  QCOMPARE(settings_->getInt("PkW1"), 123);
  QCOMPARE(QString::fromStdString(settings_->getStr("PkLastFile")), QFileInfo(path).absoluteFilePath());
}

void PlenkorWindowTest::unsavedChangesAreAskedAbout() {
  AddField("City", {});
  QVERIFY(window_->isWindowModified());
  const QString question =
      "Warning|You have unsaved changes.\n\nPress 'Yes' to save, 'No' to discard changes or 'Cancel' to cancel "
      "operation.";
  prompt_->answers = {PromptAnswer::kCancel};
  Trigger("new");
  QCOMPARE(QString::fromStdString(prompt_->questions.back()), question);
  QCOMPARE(Child<QTableView>("fields")->model()->rowCount(), 1);
  prompt_->answers = {PromptAnswer::kCancel};
  window_->close();
  QVERIFY(window_->isVisible());
  prompt_->answers = {PromptAnswer::kNo};
  Trigger("new");
  QCOMPARE(Child<QTableView>("fields")->model()->rowCount(), 0);
  QVERIFY(!window_->isWindowModified());
}

void PlenkorWindowTest::structureExportsAndImports() {
  AddField("Code", "Random String");
  Child<QTableView>("fields")->selectRow(0);
  Child<QSpinBox>("size")->setValue(10);
  Child<QTableView>("fields")->clearSelection();
  // The editor keeps the last field's settings for the next one.
  Child<QSpinBox>("size")->setValue(0);
  Child<QComboBox>("type")->setCurrentText("Date");
  AddField("Born", "Random Date");
  const QString table = QString::fromStdString(dir_->file("table.sql"));
  QVERIFY(window_->ExportStructureTo(table, true, "people"));
  QCOMPARE(QString::fromStdString(testenv::ReadFile(table.toStdString())),
           QString("CREATE TABLE people (\r\n\tCode varchar(10),\r\n\tBorn Date\r\n)\r\n"));
  QVERIFY(!window_->ExportStructureTo(QString::fromStdString(dir_->file("no/such/folder.txt")), false, {}));
  QCOMPARE(QString::fromStdString(prompt_->messages.back()),
           "Error Open or Create File|" + QString::fromStdString(dir_->file("no/such/folder.txt")));

  // An example file's first line names the fields; known names get their generators.
  const std::string example = dir_->file("example.csv");
  testenv::WriteFile(example, "id,email,city\n1,a@b.c,Paris\n");
  QVERIFY(window_->ImportStructureFrom(QString::fromStdString(example), true));
  QCOMPARE(Child<QTableView>("fields")->model()->rowCount(), 3);
  QCOMPARE(ListText(1, 2), QString("e-mail"));
  QCOMPARE(ListText(2, 2), QString("City"));
  QVERIFY(!ListText(2, 3).isEmpty());
  QVERIFY(!window_->ImportStructureFrom(QString::fromStdString(dir_->file("absent.txt")), false));
  QCOMPARE(Child<QTableView>("fields")->model()->rowCount(), 3);
}

void PlenkorWindowTest::theLogOpensInAWindowThatFollowsItAndSearches() {
  log_.Bug("a line to find in the log");
  Trigger("log");
  auto* logWindow = window_->findChild<LogWindow*>();
  QVERIFY(logWindow);
  QVERIFY(logWindow->isVisible());
  QVERIFY(!logWindow->isModal());
  auto* text = logWindow->findChild<QPlainTextEdit*>("logText");
  QVERIFY(text->isReadOnly());
  QVERIFY(text->toPlainText().contains("a line to find in the log"));

  // New lines appear while it is open.
  log_.Bug("a line written later");
  QTRY_VERIFY_WITH_TIMEOUT(text->toPlainText().contains("a line written later"), 5000);
  Snapshot("log", logWindow);

  // Searching selects the text and stops following, so the line stays in view.
  auto* search = logWindow->findChild<QLineEdit*>("logSearch");
  search->setText("to find");
  QTest::keyClick(search, Qt::Key_Return);
  QCOMPARE(text->textCursor().selectedText(), QString("to find"));
  QVERIFY(!logWindow->findChild<QCheckBox*>("follow")->isChecked());
  search->setText("nowhere in it");
  QVERIFY(!logWindow->Find(false));
  QCOMPARE(logWindow->findChild<QLabel*>("logState")->text(), QString("\"nowhere in it\" is not in the log."));
  QCOMPARE(text->textCursor().selectedText(), QString("to find"));

  // The command shows the one window again.
  logWindow->close();
  Trigger("log");
  QCOMPARE(window_->findChildren<LogWindow*>().size(), 1);
  QVERIFY(logWindow->isVisible());
}

void PlenkorWindowTest::settingsDialogSavesAndTakesEffect() {
  WhenDialogShows([](QWidget* dialog) {
    QCOMPARE(dialog->windowTitle(), QString("Product Settings"));
    dialog->findChild<QSpinBox*>("spinStep")->setValue(250);
    dialog->findChild<QSpinBox*>("emptyLines")->setValue(7);
    dialog->findChild<QCheckBox*>("askOverwrite")->setChecked(false);
    dialog->findChild<QPushButton*>("save")->click();
  });
  Trigger("settings");
  QCOMPARE(Child<QSpinBox>("rows")->singleStep(), 250);
  _Settings stored;
  RegisterPlenkorSettings(stored);
  stored.SetProfileName(kPlenkorProfile, &log_);
  QCOMPARE(stored.LoadData(), 0);
  QCOMPARE(stored.getInt("PkSpinStep"), 250);
  QCOMPARE(stored.getInt("PkEmptyLines"), 7);
  QCOMPARE(stored.getInt("PkAskOverwrite"), 0);

  // Cancel changes nothing.
  WhenDialogShows([](QWidget* dialog) {
    dialog->findChild<QSpinBox*>("spinStep")->setValue(5);
    qobject_cast<QDialog*>(dialog)->reject();
  });
  Trigger("settings");
  QCOMPARE(settings_->getInt("PkSpinStep"), 250);
}

// What a new user does: ten fields from the menu without typing a pattern,
// a look at the samples, and a large file written while the window keeps
// answering. PLENKOR_WINDOW_ROWS sets the row count (a million in a release
// build; fewer by default, since the sanitizers slow the engine down).
void PlenkorWindowTest::tenFieldsFromTheMenuPreviewedAndWritten() {
  const struct {
    const char* name;
    const char* label;  // empty: proposed from the name
  } kFields[] = {{"Name", ""},          {"email", ""},       {"Phone", ""},         {"Born", "Random Date"},
                 {"Amount", "Random Number"}, {"Code", "Random String"}, {"city", ""}, {"Company", ""},
                 {"ip", ""},           {"Color", ""}};
  for (const auto& field : kFields) AddField(field.name, field.label);
  QTableView* list = Child<QTableView>("fields");
  QCOMPARE(list->model()->rowCount(), 10);
  for (int row = 0; row < 10; ++row) {
    QVERIFY2(!ListText(row, 2).isEmpty(), kFields[row].name);
    QVERIFY2(!ListText(row, 3).isEmpty(), kFields[row].name);
  }
  QVERIFY(prompt_->messages.empty());
  const int rows = qEnvironmentVariableIsSet("PLENKOR_WINDOW_ROWS") ? qEnvironmentVariableIntValue("PLENKOR_WINDOW_ROWS")
                                                                      : 20000;
  const std::string out = dir_->file("ten.csv");
  SetOutput(out, 1, rows);
  list->selectRow(4);
  Child<QSpinBox>("width")->setValue(6);
  Child<QCheckBox>("leadingZeros")->setChecked(true);
  Snapshot("fields");
  list->selectRow(3);
  // The interface thread's ticks during the run: the longest gap says how
  // long the window could not answer.
  QElapsedTimer clock;
  qint64 last = 0, longestGap = 0, ticks = 0;
  QTimer ticker;
  bool running = false;
  connect(&ticker, &QTimer::timeout, [&] {
    auto* progress = Child<QProgressBar>("progress");
    if (!running && progress->maximum() > 1 && progress->value() >= progress->maximum() / 3) {
      running = true;
      Snapshot("run");
    }
    const qint64 now = clock.elapsed();
    longestGap = std::max(longestGap, now - last);
    last = now;
    ++ticks;
  });
  clock.start();
  ticker.start(20);
  QElapsedTimer run;
  run.start();
  RunAndWait(1800000);
  ticker.stop();
  qInfo("%d rows in %lld ms; %lld ticks, longest gap %lld ms", rows, static_cast<long long>(run.elapsed()),
        static_cast<long long>(ticks), static_cast<long long>(longestGap));
  QCOMPARE(Status(), QString("Done"));
  Snapshot("done");
  QVERIFY(longestGap < 1000);
  const QStringList lines = FileLines(out);
  QCOMPARE(lines.size(), rows);
  QCOMPARE(lines.first().split(',').size(), 10);
  QCOMPARE(lines.last().split(',').size(), 10);
  QVERIFY(prompt_->messages.empty());
}

QTEST_MAIN(PlenkorWindowTest)
#include "PlenkorWindow_test.moc"
