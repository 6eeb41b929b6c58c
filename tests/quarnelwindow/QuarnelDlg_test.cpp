// The main window driven as a user drives it: open the demo project, run it
// against a SQLite file, watch the console, break a long run, change a
// setting for the next run, and save the execution report.
#include <filesystem>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "project/ProjectDocument.h"
#include "gui/LogWindow.h"
#include "quarnel/ConnectionControl.h"
#include "quarnel/ProgramSettings.h"
#include "quarnel/QuarnelApp.h"
#include "quarnel/editor/RuleEditor.h"
#include "quarnel/editor/RuleWizard.h"
#include "quarnel/window/BlobLoaderPage.h"
#include "quarnel/window/ConnectDialog.h"
#include "quarnel/window/ConsoleModel.h"
#include "quarnel/window/ConsolePage.h"
#include "quarnel/window/ProjectPage.h"
#include "quarnel/window/QuarnelDlg.h"
#include "quarnel/window/RuleListModel.h"
#include "quarnel/window/SchemaDialog.h"
#include "quarnel/window/SettingsDialog.h"
#include "tests/quarnelwindow/WindowFixture.h"

namespace {

const ConsoleLine* LineOf(const ConsoleModel& model, const std::string& item) {
  for (const ConsoleLine& line : model.lines()) {
    if (line.item == item) return &line;
  }
  return nullptr;
}

// The count at the start of an "Inserted/Created" cell ("200 (1234 r/s)").
long InsertedOf(const ConsoleLine* line) { return line ? std::atol(line->inserted.c_str()) : -1; }

class MainWindowTest : public WindowTest {};

TEST_F(MainWindowTest, DemoRunFillsTheConsoleAndTheDatabase) {
  const int status = StartWindow({"-@demo.qcp", "demo.qrp"}, [this](CQuarnelDlg& window, CQuarnelApp&) {
    EXPECT_EQ(window.projectPage().heading().toStdString(), "     Quarnel Project (8 rules)");
    EXPECT_EQ(window.rules().rowCount(), 8);
    EXPECT_TRUE(window.windowTitle().startsWith("Quarnel ["));
    EXPECT_TRUE(window.windowTitle().endsWith("demo.qrp]")) << window.windowTitle().toStdString();
    EXPECT_TRUE(window.statusText().startsWith("SQLite")) << window.statusText().toStdString();
    // The connection is told once, in the connection field.
    EXPECT_FALSE(window.statusBar()->currentMessage().contains("DRIVER=")) << window.statusBar()->currentMessage().toStdString();

    // No run yet: no lines to report.
    QPushButton* saveReport = nullptr;
    for (QPushButton* button : window.consolePage().findChildren<QPushButton*>()) {
      if (button->text() == "&Save Report...") saveReport = button;
    }
    ASSERT_NE(saveReport, nullptr);
    EXPECT_FALSE(saveReport->isEnabled());
    EXPECT_FALSE(window.action("executionReport")->isEnabled());

    QSignalSpy finished(&window, &CQuarnelDlg::runFinished);
    window.action("run")->trigger();
    // The window keeps serving events while the engine runs.
    ASSERT_TRUE(WaitFor([&] { return window.busy() == CQuarnelDlg::Busy::kRunning; }));
    EXPECT_TRUE(window.consolePage().breakButton().isVisible());
    EXPECT_FALSE(window.action("open")->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_EQ(window.busy(), CQuarnelDlg::Busy::kIdle);
    EXPECT_FALSE(window.consolePage().breakButton().isVisible());
    EXPECT_EQ(window.pages().currentWidget(), &window.consolePage());

    const ConsoleModel& console = window.consolePage().model();
    for (const char* table : {"categories", "customers", "products", "orders", "order_lines", "payments"}) {
      const ConsoleLine* line = LineOf(console, table);
      ASSERT_NE(line, nullptr) << table;
      EXPECT_EQ(line->state, "Done") << table;
      EXPECT_EQ(InsertedOf(line), Count(table)) << table;
      EXPECT_EQ(line->rejected, "0") << table;
    }
    EXPECT_EQ(Count("customers"), 200);
    EXPECT_EQ(window.lastRun().rejected, 0u);
    EXPECT_NE(window.consolePage().heading().toStdString().find("rules executed"), std::string::npos);
    // The data rules tell their rows and rate; the clear rule inserts none
    // and tells the tables it emptied.
    for (const char* table : {"categories", "customers", "payments"}) {
      EXPECT_NE(LineOf(console, table)->inserted.find(" r/s)"), std::string::npos) << LineOf(console, table)->inserted;
    }
    const ConsoleLine* clear = LineOf(console, "Clearing 6 table(s)");
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(clear->state, "Done");
    EXPECT_EQ(clear->inserted, "6 table(s) cleared");
    EXPECT_EQ(clear->rejected, "0");
    EXPECT_EQ(window.consolePage().progress().value(), window.consolePage().progress().maximum());

    // "&Save Report..." writes the console's lines.
    const std::string report = dir_.file("run report.html");
    window.setFileChooser([&](const QString& caption, const QString&, bool save) {
      EXPECT_EQ(caption.toStdString(), "Select Report File");
      EXPECT_TRUE(save);
      return QString::fromStdString(report);
    });
    QString opened;
    window.setFileOpener([&](const QString& path) { opened = path; });
    EXPECT_TRUE(window.action("executionReport")->isEnabled());
    ASSERT_TRUE(saveReport->isEnabled());
    saveReport->click();
    const std::string html = testenv::ReadFile(report);
    EXPECT_NE(html.find("Orvane Quarnel Execution Report"), std::string::npos);
    EXPECT_NE(html.find("customers"), std::string::npos);
    EXPECT_EQ(opened.toStdString(), report);
  });
  EXPECT_EQ(status, 0);
}

// A new user's way: connect, build the rules with the wizard, look at one in
// the rule editor, run.
TEST_F(MainWindowTest, WizardAndRuleEditorBuildAProjectThatRuns) {
  StartWindow({"-@demo.qcp"}, [this](CQuarnelDlg& window, CQuarnelApp& app) {
    ASSERT_TRUE(window.action("ruleWizard")->isEnabled());
    bool built = false;
    // The wizard opens once the catalogue has been read on a worker.
    WhenDialogShows<RuleWizard>([&](RuleWizard& wizard) {
      wizard.findChild<QRadioButton*>("selected")->setChecked(true);
      auto* tables = wizard.findChild<QListWidget*>("tables");
      for (int i = 0; i < tables->count(); ++i) tables->item(i)->setCheckState(Qt::Checked);
      wizard.accept();
      built = true;
    });
    window.action("ruleWizard")->trigger();
    EXPECT_EQ(window.busy(), CQuarnelDlg::Busy::kReadingSchema);
    ASSERT_TRUE(WaitFor([&] { return built && window.rules().rowCount() == 7; }));
    // Six tables and the update rule that fills customers' reference to itself.
    EXPECT_EQ(window.rules().rowCount(), 7);
    EXPECT_TRUE(app.document().modified());
    EXPECT_EQ(window.projectPage().heading().toStdString(), "     Quarnel Project (7 rules)");

    // The editor shows the selected rule; Cancel leaves it as it was.
    window.projectPage().selectRow(0);
    const std::string before = DescribeRule(app.document().project().rules[0], true);
    std::string editedTable;
    QTimer::singleShot(50, [&] {
      auto* editor = qobject_cast<RuleEditor*>(QApplication::activeModalWidget());
      ASSERT_NE(editor, nullptr);
      editedTable = editor->Working().TabName;
      editor->reject();
    });
    window.action("editRule")->trigger();
    EXPECT_EQ(editedTable, app.document().project().rules[0].TabName);
    EXPECT_EQ(DescribeRule(app.document().project().rules[0], true), before);

    // The run saves the new project first, under the name the user gives.
    window.setFileChooser([this](const QString&, const QString&, bool) { return QString::fromStdString(dir_.file("mine.qrp")); });
    QSignalSpy finished(&window, &CQuarnelDlg::runFinished);
    ASSERT_TRUE(window.Run());
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_TRUE(std::filesystem::exists(dir_.file("mine.qrp")));
    EXPECT_FALSE(window.lastRun().stopped) << window.statusText().toStdString();
    EXPECT_EQ(window.lastRun().rulesExecuted, 7);
    EXPECT_EQ(window.lastRun().rejected, 0u);
    for (const char* table : {"categories", "customers", "products", "orders", "order_lines", "payments"})
      EXPECT_GT(Count(table), 0) << table;
  });
}

TEST_F(MainWindowTest, BreakStopsALongRule) {
  StartWindow({"-@demo.qcp", "demo.qrp"}, [this](CQuarnelDlg& window, CQuarnelApp& app) {
    // Only the customers rule, with far more rows than the test waits for.
    std::vector<Rule>& rules = app.document().project().rules;
    for (Rule& rule : rules) rule.Enabled = rule.TabName == "customers";
    for (Rule& rule : rules) {
      if (rule.TabName == "customers") rule.Records = 50000000;
    }
    QSignalSpy finished(&window, &CQuarnelDlg::runFinished);
    ASSERT_TRUE(window.Run());
    ASSERT_TRUE(WaitFor([&] { return window.consolePage().progress().value() > 0; }));
    EXPECT_EQ(window.consolePage().progress().maximum(), 50000000);
    window.consolePage().breakButton().click();
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }, 30000));
    EXPECT_TRUE(window.lastRun().cancelled);
    const long rows = Count("customers");
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 50000000);
    // The next run starts from a cleared cancel flag.
    for (Rule& rule : rules) {
      if (rule.TabName == "customers") rule.Records = 5;
    }
    ASSERT_TRUE(window.Run());
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 2; }));
    EXPECT_FALSE(window.lastRun().cancelled);
    EXPECT_EQ(Count("customers"), rows + 5);
  });
}

TEST_F(MainWindowTest, ASecondRunCommandDuringARunIsIgnored) {
  StartWindow({"-@demo.qcp", "demo.qrp"}, [](CQuarnelDlg& window, CQuarnelApp&) {
    QSignalSpy finished(&window, &CQuarnelDlg::runFinished);
    ASSERT_TRUE(window.Run());
    ASSERT_TRUE(WaitFor([&] { return window.busy() == CQuarnelDlg::Busy::kRunning; }));
    EXPECT_FALSE(window.Run());
    EXPECT_FALSE(window.action("run")->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    QTest::qWait(100);
    EXPECT_EQ(finished.count(), 1);
  });
}

TEST_F(MainWindowTest, ASettingChangedInTheSettingsWindowReachesTheNextRun) {
  StartWindow({"-@demo.qcp", "demo.qrp"}, [](CQuarnelDlg& window, CQuarnelApp& app) {
    QSignalSpy finished(&window, &CQuarnelDlg::runFinished);
    // The demo has one disabled rule; by default the console leaves it out.
    ASSERT_TRUE(window.Run());
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    auto disabledLines = [&] {
      int lines = 0;
      for (const ConsoleLine& line : window.consolePage().model().lines()) lines += line.state == "Disabled";
      return lines;
    };
    EXPECT_EQ(disabledLines(), 0);

    // The user ticks "Execution console shows disabled rules" and presses OK.
    bool ticked = false;
    QTimer::singleShot(50, [&] {
      auto* dialog = qobject_cast<SettingsDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      auto* box = qobject_cast<QCheckBox*>(dialog->control("ConsoleShowsDisabled"));
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text().toStdString(), "Execution console shows &disabled rules");
      box->setChecked(true);
      ticked = true;
      dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    window.action("settings")->trigger();
    ASSERT_TRUE(ticked);
    EXPECT_EQ(app.settings().GetSettingInt(1, "ConsoleShowsDisabled"), 1);

    ASSERT_TRUE(window.Run());
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 2; }));
    EXPECT_EQ(disabledLines(), 1);
  });
  // Saved with the settings: a new start reads it back.
  ProgramSettings settings;
  settings.LoadSettings();
  EXPECT_EQ(settings.GetSettingInt(1, "ConsoleShowsDisabled"), 1);
}

TEST_F(MainWindowTest, QuitAfterRunClosesTheWindowWhenTheStartUpRunEnds) {
  bool closedByItself = false;
  const int status = StartWindow({"-r", "-q", "-@demo.qcp", "demo.qrp"}, [&](CQuarnelDlg& window, CQuarnelApp&) {
    closedByItself = WaitFor([&] { return !window.isVisible(); });
    EXPECT_EQ(window.lastRun().rulesExecuted, 7);
  });
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(closedByItself);
  EXPECT_EQ(Count("customers"), 200);
  // Shutdown stored the open project and the connection state.
  ProgramSettings settings;
  settings.LoadSettings();
  EXPECT_EQ(settings.GetSettingStr(0, "LastFile"), dir_.file("demo.qrp"));
  EXPECT_EQ(settings.GetSettingInt(0, "isConnected"), 1);
  EXPECT_EQ(settings.GetSettingStr(0, "Profile0"), dir_.file("demo.qrp"));
}

TEST_F(MainWindowTest, RunSelectedRunsTheCheckedOrTheSelectedRules) {
  StartWindow({"-@demo.qcp", "demo.qrp"}, [this](CQuarnelDlg& window, CQuarnelApp&) {
    QSignalSpy finished(&window, &CQuarnelDlg::runFinished);
    SeenBox seen;
    AnswerNextBox(QMessageBox::Ok, &seen);
    EXPECT_FALSE(window.RunSelected(false));
    EXPECT_EQ(seen.text.toStdString(), "No list item was selected.");

    window.rules().setChecked(1, true);  // categories
    window.rules().setChecked(2, true);  // customers
    ASSERT_TRUE(window.RunSelected(true));
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_EQ(Count("categories"), 6);
    EXPECT_EQ(Count("customers"), 200);
    EXPECT_EQ(Count("products"), 0);

    window.projectPage().selectRow(3);  // products
    ASSERT_TRUE(window.RunSelected(false));
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 2; }));
    EXPECT_EQ(Count("products"), 100);
    EXPECT_EQ(Count("customers"), 200);
  });
}

// The rows of the schema dialog's table as "table|column|difference".
QStringList RowsOf(SchemaDialog& dialog) {
  QStringList rows;
  const QAbstractItemModel& model = *dialog.list().model();
  for (int row = 0; row < model.rowCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column) cells << model.index(row, column).data().toString();
    rows << cells.join('|');
  }
  return rows;
}

TEST_F(MainWindowTest, SchemaDifferencesAreShownToReadAndCopyAndVerifySchemaChecksAlone) {
  StartWindow({"-@demo.qcp", "demo.qrp"}, [this](CQuarnelDlg& window, CQuarnelApp& app) {
    QSignalSpy verified(&window, &CQuarnelDlg::schemaVerified);
    // The demo project matches its database: the check says so.
    ASSERT_TRUE(window.action("verifySchema")->isEnabled());
    SeenBox seen;
    AnswerNextBox(QMessageBox::Ok, &seen);
    window.action("verifySchema")->trigger();
    ASSERT_TRUE(WaitFor([&] { return verified.count() == 1; }));
    EXPECT_EQ(verified.at(0).at(0).toInt(), 0);
    EXPECT_EQ(seen.caption.toStdString(), "Database Schema Verification");
    EXPECT_EQ(seen.text.toStdString(), "The tables and columns of the enabled data rules match the database.");

    // The table gains a column no rule fills, and the rule names one the table lacks.
    ASSERT_EQ(testenv::RunScript(*db_, "alter table customers add column loyalty integer;"), 0);
    Rule* customers = nullptr;
    for (Rule& rule : app.document().project().rules) {
      if (rule.TabName == "customers") customers = &rule;
    }
    ASSERT_NE(customers, nullptr);
    ColumnRule nickname = customers->Fields.front();
    nickname.Name = "nickname";
    customers->Fields.push_back(nickname);

    window.action("verifySchema")->trigger();
    ASSERT_TRUE(WaitFor([&] { return verified.count() == 2; }));
    EXPECT_EQ(verified.at(1).at(0).toInt(), 2);
    auto* dialog = window.findChild<SchemaDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Database Schema Verification");
    EXPECT_EQ(RowsOf(*dialog), QStringList({"customers|nickname|column of the rule missing from the table",
                                            "customers|loyalty|column of the table missing from the rule"}));
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
      if (button->objectName() == "copy") button->click();
    }
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
              "Table\tColumn\tDifference\n"
              "customers\tnickname\tcolumn of the rule missing from the table\n"
              "customers\tloyalty\tcolumn of the table missing from the rule\n");
    dialog->close();

    // A run stops at the check, inserts nothing and shows the same findings.
    QSignalSpy finished(&window, &CQuarnelDlg::runFinished);
    ASSERT_TRUE(window.Run());
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(RowsOf(*dialog).size(), 2);
    const QString message = window.statusBar()->currentMessage();
    EXPECT_TRUE(message.contains("schema differs")) << message.toStdString();
    EXPECT_EQ(Count("customers"), 0);
  });
}

TEST_F(MainWindowTest, ViewLogShowsTheLogInTheProgramsWindowUnlessAViewerIsSet) {
  StartWindow({"-@demo.qcp"}, [](CQuarnelDlg& window, CQuarnelApp& app) {
    EXPECT_EQ(app.settings().GetSettingStr(0, "LogViewer"), "");
    window.action("viewLog")->trigger();
    auto* log = window.findChild<LogWindow*>();
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->isVisible());
    auto* text = log->findChild<QPlainTextEdit*>("logText");
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_TRUE(text->toPlainText().contains("BEGIN Quarnel")) << text->toPlainText().toStdString();
    log->close();

    // A viewer that cannot be started is said so, and the log shows here.
    app.settings().SetSettingStr(0, "LogViewer", "no-such-log-viewer");
    window.action("viewLog")->trigger();
    EXPECT_TRUE(log->isVisible());
    EXPECT_TRUE(window.statusBar()->currentMessage().contains("no-such-log-viewer"))
        << window.statusBar()->currentMessage().toStdString();
    log->close();

    // A viewer that starts takes the log instead.
    app.settings().SetSettingStr(0, "LogViewer", "true");
    window.action("viewLog")->trigger();
    EXPECT_FALSE(log->isVisible());
  });
}

TEST_F(MainWindowTest, TheBlobLoaderRunsOnlyWithATableAColumnAndAFolder) {
  StartWindow({"-@demo.qcp"}, [this](CQuarnelDlg& window, CQuarnelApp&) {
    window.action("blobLoader")->trigger();
    auto* page = window.findChild<BlobLoaderPage*>();
    ASSERT_NE(page, nullptr);
    auto* run = page->findChild<QPushButton*>("blobRun");
    auto* table = page->findChild<QComboBox*>("blobTable");
    auto* folder = page->findChild<QLineEdit*>("blobFolder");
    ASSERT_TRUE(run && table && folder);
    EXPECT_FALSE(run->isEnabled());
    table->setCurrentText("customers");
    EXPECT_FALSE(run->isEnabled());  // no folder yet
    folder->setText(QString::fromStdString(dir_.path().string()));
    EXPECT_TRUE(run->isEnabled());
    table->setCurrentText("");
    EXPECT_FALSE(run->isEnabled());
  });
}

TEST_F(MainWindowTest, EveryBlobLoaderLabelWithAMnemonicLeadsToItsBox) {
  StartWindow({"-@demo.qcp"}, [](CQuarnelDlg& window, CQuarnelApp&) {
    auto* page = window.findChild<BlobLoaderPage*>();
    ASSERT_NE(page, nullptr);
    QStringList labels;
    for (QLabel* label : page->findChildren<QLabel*>()) {
      if (!label->text().contains('&')) continue;
      labels << label->text();
      EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
      if (label->text() == "&Source Directory :") {
        EXPECT_NE(qobject_cast<QLineEdit*>(label->buddy()), nullptr);
      }
    }
    EXPECT_TRUE(labels.contains("&Source Directory :")) << labels.join('|').toStdString();
  });
}

// The commands on rules are enabled only when there is a rule for them: the
// selected one, the checked ones, any at all.
TEST_F(MainWindowTest, RuleCommandsAreEnabledOnlyWithARuleToActOn) {
  StartWindow({"-@demo.qcp", "demo.qrp"}, [](CQuarnelDlg& window, CQuarnelApp& app) {
    const auto enabled = [&window](const char* name) { return window.action(name)->isEnabled(); };
    const std::vector<const char*> onSelected{"editRule", "runSelected"};
    const std::vector<const char*> onChecked{"runChecked", "exportChecked"};
    EXPECT_TRUE(enabled("run"));
    for (const char* name : onSelected) EXPECT_FALSE(enabled(name)) << name;
    for (const char* name : onChecked) EXPECT_FALSE(enabled(name)) << name;

    // A click on a rule selects it, as the keyboard does.
    QTableView& list = window.projectPage().list();
    ASSERT_EQ(window.pages().currentWidget(), &window.projectPage());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(window.rules().index(2, RuleListModel::kKind)).center());
    ASSERT_EQ(window.projectPage().selectedRow(), 2);
    for (const char* name : onSelected) EXPECT_TRUE(enabled(name)) << name;
    for (const char* name : onChecked) EXPECT_FALSE(enabled(name)) << name;
    window.projectPage().selectRow(-1);
    for (const char* name : onSelected) EXPECT_FALSE(enabled(name)) << name;

    // A check mark set in the list enables the commands on the checked rules.
    const QModelIndex box = window.rules().index(4, RuleListModel::kTable);
    ASSERT_TRUE(window.rules().setData(box, Qt::Checked, Qt::CheckStateRole));
    for (const char* name : onChecked) EXPECT_TRUE(enabled(name)) << name;
    for (const char* name : onSelected) EXPECT_FALSE(enabled(name)) << name;
    ASSERT_TRUE(window.rules().setData(box, Qt::Unchecked, Qt::CheckStateRole));
    for (const char* name : onChecked) EXPECT_FALSE(enabled(name)) << name;

    // The page's Remove keeps a neighbour selected until no rule is left.
    QPushButton* remove = nullptr;
    for (QPushButton* button : window.projectPage().findChildren<QPushButton*>()) {
      if (button->text() == "Re&move") remove = button;
    }
    ASSERT_NE(remove, nullptr);
    window.projectPage().selectRow(7);
    while (window.rules().rowCount() > 0) {
      EXPECT_TRUE(enabled("editRule"));
      EXPECT_TRUE(enabled("run"));
      remove->click();
    }
    for (const char* name : {"run", "editRule", "runSelected", "runChecked", "exportChecked"}) {
      EXPECT_FALSE(enabled(name)) << name;
    }
    EXPECT_TRUE(enabled("newDataRule"));

    // A new project starts with no rule and no selection.
    AnswerNextBox(QMessageBox::No);  // the emptied project is not saved
    window.NewProject();
    EXPECT_TRUE(app.document().path().empty());
    EXPECT_FALSE(enabled("run"));
    EXPECT_FALSE(enabled("editRule"));
  });
}

// A run on a project that is not connected asks for the connection first
// (AskConnect), connecting on a worker as the Connect command does: the
// window shows it is busy and its thread keeps serving events.
TEST_F(MainWindowTest, TheConnectionARunAsksForIsMadeOnAWorker) {
  StartWindow({"-@demo.qcp", "demo.qrp"}, [this](CQuarnelDlg& window, CQuarnelApp& app) {
    window.action("disconnect")->trigger();
    ASSERT_FALSE(app.connection().connected());
    QString seen;
    WhenDialogShows<ConnectDialog>([&](ConnectDialog& dialog) {
      seen = QString("busy %1, bar %2, run %3")
                 .arg(window.busy() == CQuarnelDlg::Busy::kConnecting ? "connecting" : "other")
                 .arg(window.findChild<QProgressBar*>("busyBar")->isVisible() ? "shown" : "hidden")
                 .arg(window.action("run")->isEnabled() ? "enabled" : "disabled");
      dialog.accept();
    });
    QSignalSpy finished(&window, &CQuarnelDlg::runFinished);
    ASSERT_TRUE(window.Run());
    ASSERT_TRUE(WaitFor([&] { return finished.count() == 1; }));
    EXPECT_EQ(seen.toStdString(), "busy connecting, bar shown, run disabled");
    EXPECT_TRUE(app.connection().connected());
    EXPECT_TRUE(window.statusText().startsWith("SQLite")) << window.statusText().toStdString();
    EXPECT_EQ(Count("customers"), 200);
    EXPECT_EQ(window.lastRun().rejected, 0u);
  });
}

TEST_F(MainWindowTest, AnEmptyProjectIsNotRun) {
  StartWindow({"-@demo.qcp"}, [](CQuarnelDlg& window, CQuarnelApp&) {
    EXPECT_EQ(window.projectPage().heading().toStdString(), "     Quarnel Project");
    EXPECT_EQ(window.windowTitle().toStdString(), "Quarnel [Untitled]");
    SeenBox seen;
    AnswerNextBox(QMessageBox::Ok, &seen);
    EXPECT_FALSE(window.Run());
    EXPECT_EQ(seen.caption.toStdString(), "Warning!");
    EXPECT_EQ(seen.text.toStdString(), "Your generation project is empty.\nPlease add at least one rule before execution.");
    EXPECT_EQ(window.busy(), CQuarnelDlg::Busy::kIdle);
  });
}

}  // namespace
