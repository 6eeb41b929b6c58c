// Project commands of the main window: ConfirmDiscard's three answers, loading
// without freezing, saving, exporting checked rules, and the engine's prompt
// answered on the window's thread while a worker waits.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <thread>

#include "project/ProjectDocument.h"
#include "project/ProjectFile.h"
#include "quarnel/QuarnelApp.h"
#include "quarnel/window/GuiPrompt.h"
#include "quarnel/window/ProjectPage.h"
#include "quarnel/window/QuarnelDlg.h"
#include "quarnel/window/RuleListModel.h"
#include "support/SysReg.h"
#include "tests/quarnelwindow/WindowFixture.h"

namespace fs = std::filesystem;

namespace {

class ProjectCommandsTest : public WindowTest {
 protected:
  // The table names of the rules of the project file `path`, in order.
  static std::vector<std::string> TablesIn(const std::string& path) {
    ProjectDocument document;
    EXPECT_EQ(document.DoLoad(path, true), 0);
    std::vector<std::string> tables;
    for (const Rule& rule : document.project().rules) tables.push_back(rule.TabName);
    return tables;
  }
};

const char* const kDiscardText =
    "Current project is not saved.\nPress\n\nYes - for save it,\nNo  - for discard changes or\nCancel - for continue "
    "editing if possible.";

TEST_F(ProjectCommandsTest, ConfirmDiscardCancelKeepsNoDropsYesSavesFirst) {
  StartWindow({"-@demo.qcp", "demo.qrp"}, [this](CQuarnelDlg& window, CQuarnelApp& app) {
    ProjectDocument& document = app.document();
    ASSERT_TRUE(window.rules().moveDown(1));  // categories after customers
    EXPECT_TRUE(document.modified());
    EXPECT_TRUE(window.windowTitle().endsWith("demo.qrp *]")) << window.windowTitle().toStdString();

    // Cancel: nothing happens.
    SeenBox seen;
    AnswerNextBox(QMessageBox::Cancel, &seen);
    window.action("new")->trigger();
    EXPECT_EQ(seen.caption.toStdString(), "Warning!");
    EXPECT_EQ(seen.text.toStdString(), kDiscardText);
    EXPECT_EQ(document.project().rules.size(), 8u);
    EXPECT_TRUE(document.modified());

    // Yes: saved in place (with its backup), then replaced by a new project.
    AnswerNextBox(QMessageBox::Yes);
    window.action("new")->trigger();
    EXPECT_TRUE(document.project().rules.empty());
    EXPECT_TRUE(document.path().empty());
    EXPECT_EQ(window.windowTitle().toStdString(), "Quarnel [Untitled]");
    const std::vector<std::string> saved = TablesIn(dir_.file("demo.qrp"));
    ASSERT_GE(saved.size(), 3u);
    EXPECT_EQ(saved[1], "customers");
    EXPECT_EQ(saved[2], "categories");
    EXPECT_TRUE(fs::exists(dir_.file("demo.bak")));

    // No: the changes go.
    QSignalSpy loaded(&window, &CQuarnelDlg::loadFinished);
    window.OpenProject(QString::fromStdString(dir_.file("demo.qrp")), true);
    ASSERT_TRUE(WaitFor([&] { return loaded.count() == 1; }));
    ASSERT_TRUE(window.rules().remove(0));
    AnswerNextBox(QMessageBox::No);
    window.action("new")->trigger();
    EXPECT_TRUE(document.project().rules.empty());
    EXPECT_FALSE(document.modified());
    EXPECT_EQ(TablesIn(dir_.file("demo.qrp")).size(), 8u);
  });
}

TEST_F(ProjectCommandsTest, LoadingKeepsTheWindowServingEventsAndAppendingAddsRules) {
  StartWindow({"-@demo.qcp"}, [this](CQuarnelDlg& window, CQuarnelApp& app) {
    QSignalSpy loaded(&window, &CQuarnelDlg::loadFinished);
    window.OpenProject(QString::fromStdString(dir_.file("demo.qrp")), true);
    EXPECT_EQ(window.busy(), CQuarnelDlg::Busy::kLoading);
    EXPECT_EQ(window.rules().rowCount(), 0);  // the worker owns the project meanwhile
    EXPECT_FALSE(window.action("save")->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return loaded.count() == 1; }));
    EXPECT_EQ(loaded.at(0).at(0).toInt(), 0);
    EXPECT_EQ(window.rules().rowCount(), 8);
    EXPECT_FALSE(app.document().modified());
    EXPECT_EQ(window.projectPage().heading().toStdString(), "     Quarnel Project (8 rules)");

    // The second open command appends another project's rules to this one,
    // which keeps its file and options and has unsaved changes.
    const std::string extra = dir_.file("extra.qrp");
    {
      ProjectDocument other;
      ASSERT_EQ(other.DoLoad(dir_.file("demo.qrp"), true), 0);
      other.project().rules.resize(2);
      other.project().Author = "someone else";
      ASSERT_EQ(other.DoSave(extra, false), 0);
    }
    const std::string author = app.document().project().Author;
    window.setFileChooser([&](const QString& caption, const QString&, bool save) {
      EXPECT_EQ(caption.toStdString(), "Select Project File");
      EXPECT_FALSE(save);
      return QString::fromStdString(extra);
    });
    window.action("append")->trigger();
    ASSERT_TRUE(WaitFor([&] { return loaded.count() == 2; }));
    EXPECT_EQ(window.rules().rowCount(), 10);
    EXPECT_EQ(app.document().path(), dir_.file("demo.qrp"));
    EXPECT_EQ(app.document().project().Author, author);
    EXPECT_TRUE(app.document().modified());
    EXPECT_TRUE(window.windowTitle().endsWith("demo.qrp *]")) << window.windowTitle().toStdString();
    EXPECT_EQ(window.projectPage().heading().toStdString(), "     Quarnel Project (10 rules)");

    // Saving writes the project's own file, not the appended one.
    QSignalSpy saved(&window, &CQuarnelDlg::saveFinished);
    window.action("save")->trigger();
    ASSERT_TRUE(WaitFor([&] { return saved.count() == 1; }));
    EXPECT_EQ(saved.at(0).at(0).toInt(), 0);
    EXPECT_EQ(TablesIn(dir_.file("demo.qrp")).size(), 10u);
    EXPECT_EQ(TablesIn(extra).size(), 2u);
    EXPECT_FALSE(app.document().modified());

    // A missing file is reported and leaves the project as it was.
    SeenBox seen;
    AnswerNextBox(QMessageBox::Ok, &seen);
    window.OpenProject(QString::fromStdString(dir_.file("missing.qrp")), true);
    ASSERT_TRUE(WaitFor([&] { return loaded.count() == 3; }));
    EXPECT_EQ(seen.text.toStdString(), "Selected project was not found.");
    EXPECT_EQ(window.rules().rowCount(), 10);
  });
}

TEST_F(ProjectCommandsTest, ExportCheckedRulesWritesOnlyThemAndKeepsThePath) {
  StartWindow({"-@demo.qcp", "demo.qrp"}, [this](CQuarnelDlg& window, CQuarnelApp& app) {
    const std::string exported = dir_.file("two.qrp");
    window.setFileChooser([&](const QString&, const QString&, bool) { return QString::fromStdString(exported); });
    window.rules().setChecked(2, true);
    window.rules().setChecked(4, true);
    QSignalSpy saved(&window, &CQuarnelDlg::saveFinished);
    window.action("exportChecked")->trigger();
    ASSERT_TRUE(WaitFor([&] { return saved.count() == 1; }));
    EXPECT_EQ(saved.at(0).at(0).toInt(), 0);
    EXPECT_EQ(TablesIn(exported), (std::vector<std::string>{"customers", "orders"}));
    EXPECT_EQ(app.document().path(), dir_.file("demo.qrp"));
  });
}

TEST_F(ProjectCommandsTest, ExportsOfferTheirFileKindsAndSayWhenTheyFail) {
  StartWindow({"-@demo.qcp", "demo.qrp"}, [this](CQuarnelDlg& window, CQuarnelApp&) {
    struct Asked {
      QString caption;
      QString filter;
      bool save = false;
    } asked;
    QString answer;
    window.setFileChooser([&](const QString& caption, const QString& filter, bool save) {
      asked = {caption, filter, save};
      return answer;
    });

    QSignalSpy exported(&window, &CQuarnelDlg::exportFinished);
    // A name typed without a suffix gets the one of its kind.
    answer = QString::fromStdString(dir_.file("portable"));
    window.action("exportPortable")->trigger();
    ASSERT_TRUE(WaitFor([&] { return exported.count() == 1; }));
    EXPECT_EQ(asked.caption.toStdString(), "Export Project File to");
    EXPECT_EQ(asked.filter.toStdString(), "Orvane Quarnel Portable Projects (*.qrp2);;All Files (*)");
    EXPECT_TRUE(asked.save);
    EXPECT_NE(testenv::ReadFile(dir_.file("portable.qrp2")).find("customers"), std::string::npos);

    answer = QString::fromStdString(dir_.file("script"));
    window.action("exportScript")->trigger();
    ASSERT_TRUE(WaitFor([&] { return exported.count() == 2; }));
    EXPECT_EQ(asked.caption.toStdString(), "Export Project File to");
    EXPECT_EQ(asked.filter.toStdString(), "Orvane Quarnel Script (*.qrl);;All Files (*)");
    EXPECT_NE(testenv::ReadFile(dir_.file("script.qrl")).find("customers"), std::string::npos);

    // A file that cannot be written is reported.
    for (const char* command : {"exportPortable", "exportScript"}) {
      answer = QString::fromStdString(dir_.file("no-such-folder/out"));
      SeenBox seen;
      AnswerNextBox(QMessageBox::Ok, &seen);
      const int before = exported.count();
      window.action(command)->trigger();
      // The export works on a worker; the window waits for nothing and shows it is busy.
      EXPECT_EQ(window.busy(), CQuarnelDlg::Busy::kSaving);
      EXPECT_TRUE(window.findChild<QProgressBar*>("busyBar")->isVisible());
      ASSERT_TRUE(WaitFor([&] { return exported.count() == before + 1; }));
      EXPECT_NE(exported.back().at(0).toInt(), 0);
      EXPECT_EQ(seen.text.toStdString(), "Could not export project file.") << command;
    }
    EXPECT_EQ(window.busy(), CQuarnelDlg::Busy::kIdle);
    EXPECT_FALSE(window.findChild<QProgressBar*>("busyBar")->isVisible());
  });
}

TEST_F(ProjectCommandsTest, TheEnginePromptIsAnsweredOnTheWindowThread) {
  StartWindow({"-@demo.qcp"}, [](CQuarnelDlg&, CQuarnelApp&) {
    Prompt& prompt = CurrentPrompt();
    EXPECT_NE(dynamic_cast<GuiPrompt*>(&prompt), nullptr);

    PromptAnswer answer = PromptAnswer::kOk;
    SeenBox seen;
    AnswerNextBox(QMessageBox::No, &seen);
    bool done = false;
    std::thread worker([&] {
      answer = prompt.Ask("Question", "Go on?", PromptIcon::kQuestion, PromptButtons::kYesNoCancel, PromptAnswer::kYes);
      done = true;
    });
    EXPECT_TRUE(WaitFor([&] { return done; }));
    worker.join();
    EXPECT_EQ(answer, PromptAnswer::kNo);
    EXPECT_EQ(seen.caption.toStdString(), "Question");

    // The error dialog: "do not show again" ticked, Cancel stops the run.
    bool dontShowAgain = false;
    done = false;
    AnswerNextBox(QMessageBox::Cancel, &seen, true);
    std::thread failing([&] {
      answer = prompt.ErrorDialog("no such table: x", "insert into x values (1)", dontShowAgain);
      done = true;
    });
    EXPECT_TRUE(WaitFor([&] { return done; }));
    failing.join();
    EXPECT_EQ(answer, PromptAnswer::kCancel);
    EXPECT_TRUE(dontShowAgain);
    EXPECT_EQ(seen.text.toStdString(), "no such table: x");
  });
  // After the window the console prompt is back.
  EXPECT_EQ(dynamic_cast<GuiPrompt*>(&CurrentPrompt()), nullptr);
}

TEST_F(ProjectCommandsTest, TheRecentMenuListsExistingProjectsOnly) {
  WriteSetting("General", "Profile0", dir_.file("gone.qrp"));
  WriteSetting("General", "Profile1", dir_.file("demo.qrp"));
  StartWindow({"-@demo.qcp"}, [this](CQuarnelDlg& window, CQuarnelApp&) {
    QMenu* recent = nullptr;
    for (QMenu* menu : window.findChildren<QMenu*>()) {
      if (menu->title() == "Open &Recent") recent = menu;
    }
    ASSERT_NE(recent, nullptr);
    emit recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_EQ(recent->actions().at(0)->text().toStdString(), dir_.file("demo.qrp"));
    QSignalSpy loaded(&window, &CQuarnelDlg::loadFinished);
    recent->actions().at(0)->trigger();
    ASSERT_TRUE(WaitFor([&] { return loaded.count() == 1; }));
    EXPECT_EQ(window.rules().rowCount(), 8);
  });
}

}  // namespace
