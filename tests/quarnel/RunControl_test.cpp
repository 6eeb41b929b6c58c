// Running projects: the run options taken from the settings, and the real
// program in console mode filling the demo database, its exit statuses and
// Ctrl-C.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <regex>
#include <thread>

#include "engine/RunOptions.h"
#include "project/Project.h"
#include "quarnel/ConnectionControl.h"
#include "quarnel/ProgramSettings.h"
#include "quarnel/RunControl.h"
#include "support/AdvConnect.h"
#include "support/Database.h"
#include "support/Log.h"
#include "tests/common/TestEnv.h"
#include "tests/quarnel/HtmlCheck.h"

namespace fs = std::filesystem;

namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to, bool all = false) {
  for (size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size())) {
    text.replace(pos, from.size(), to);
    if (!all) break;
  }
  return text;
}

class ConsoleRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"demo.qrp", "demo-cities.txt", "demo-payment-methods.txt"}) {
      fs::copy_file(testenv::SourceDir() / "examples" / file, dir_.path() / file);
    }
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    info.conStr = testenv::SqliteConnStr(dir_.file("demo.db"));
    std::string error;
    ASSERT_EQ(CAdvConnect::SaveProfile(dir_.file("demo.qcp"), info, &error), 0) << error;
    db_ = CDB::newDB();
    ASSERT_TRUE(CDB::isOK(db_->Connect(info))) << db_->ErrorText();
    ASSERT_EQ(testenv::RunScript(*db_, testenv::ReadFile(testenv::SourceDir() / "examples" / "demo-schema.sql")), 0);
  }
  std::string Command(const std::string& args) const {
    return "cd '" + dir_.path().string() + "' && QUARNEL_HOME='" + home_.path().string() + "' exec '" +
           QUARNEL_PROGRAM + "' " + args + " >out.txt 2>err.txt </dev/null";
  }
  int Quarnel(const std::string& args) {
    const int raw = std::system(Command(args).c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  std::string Output() const { return testenv::ReadFile(dir_.file("out.txt")) + testenv::ReadFile(dir_.file("err.txt")); }
  std::string Count(const std::string& table) {
    std::unique_ptr<CStmt> stmt = db_->NewStmt();
    std::string text;
    long ind = 0;
    if (!CDB::isOK(db_->Exec("select count(*) from " + table, stmt.get())) || !CDB::isOK(db_->Fetch(stmt.get()))) {
      return "<error " + db_->ErrorText() + ">";
    }
    db_->GetDataAsText(1, &text, &ind, stmt.get());
    db_->FreeStmt(stmt.get());
    return text;
  }
  // The demo project without its clear rule, which this build does not carry out.
  void WriteProjectWithoutClearRule(const std::string& extra = {}) {
    std::string text = testenv::ReadFile(dir_.file("demo.qrp"));
    text = Replace(text, "Enabled=1", "Enabled=0");
    testenv::WriteFile(dir_.file("data.qrp"), text + extra);
  }

  testenv::TempDir dir_;
  testenv::TempDir home_;
  std::unique_ptr<CDB> db_;
};

}  // namespace

TEST_F(ConsoleRunTest, DemoFillsTheDatabaseAndPrintsEachRule) {
  EXPECT_EQ(Quarnel("-c -@demo.qcp demo.qrp"), kExitDone) << Output();
  const std::string out = Output();
  EXPECT_NE(out.find(" Execution console: rule 1 of 8 running\nRule 0, 6 table(s) cleared, rejected 0.\n"), std::string::npos) << out;
  EXPECT_NE(out.find("Rule 1, inserted 6 ("), std::string::npos) << out;
  EXPECT_NE(out.find("Rule 2, inserted 200 ("), std::string::npos) << out;
  EXPECT_NE(out.find(" r/s), rejected 0.\n"), std::string::npos) << out;
  EXPECT_NE(out.find(" Execution console: 7 of 8 rules executed "), std::string::npos) << out;
  EXPECT_EQ(Count("categories"), "6");
  EXPECT_EQ(Count("customers"), "200");
  EXPECT_EQ(Count("products"), "100");
  EXPECT_EQ(Count("payments"), "300");
  EXPECT_EQ(std::stoi(Count("order_lines")), 2 * std::stoi(Count("orders")));
}

TEST_F(ConsoleRunTest, ExecutionReportHoldsALinePerRule) {
  EXPECT_EQ(Quarnel("-c -@demo.qcp demo.qrp --exec-report 'run report.html'"), kExitDone) << Output();
  EXPECT_NE(Output().find("Execution report written to run report.html\n"), std::string::npos) << Output();
  const std::string html = htmlcheck::Flat(testenv::ReadFile(dir_.file("run report.html")));
  ASSERT_FALSE(html.empty());
  htmlcheck::ExpectBalanced(html);
  EXPECT_NE(html.find("<td>Clearing 6 table(s)</td><td>Done</td><td>6 table(s) cleared</td><td>0</td>"), std::string::npos) << html;
  for (const char* table : {"categories", "customers", "products", "orders", "order_lines", "payments"}) {
    EXPECT_NE(html.find(std::string("<td>") + table + "</td><td>Done</td>"), std::string::npos) << table << html;
  }
  EXPECT_NE(html.find("<td>customers</td><td>Done</td><td>200 ("), std::string::npos) << html;
  // The six enabled data rules, each with no rejected row; the disabled one is left out.
  size_t rows = 0;
  for (size_t at = html.find("r/s)</td><td>0</td>"); at != std::string::npos; at = html.find("r/s)</td><td>0</td>", at + 1)) {
    ++rows;
  }
  EXPECT_EQ(rows, 6u) << html;
  EXPECT_NE(html.find("<td>SQLite"), std::string::npos) << html;  // the connection

  // A report that can not be written makes an otherwise clean run a problem.
  EXPECT_EQ(Quarnel("-c -@demo.qcp demo.qrp --exec-report no-such-folder/r.html"), kExitProblems) << Output();
}

// A project built from the demo database's schema runs without a rejected row.
TEST_F(ConsoleRunTest, ExitStatusTellsWhetherRowsWereRejected) {
  WriteProjectWithoutClearRule();
  EXPECT_EQ(Quarnel("-c -@demo.qcp data.qrp"), kExitDone) << Output();
  EXPECT_EQ(Count("categories"), "6");
  // The same ids again: the keys reject them, the run goes on to the end.
  EXPECT_EQ(Quarnel("-c -@demo.qcp data.qrp"), kExitProblems) << Output();
  EXPECT_NE(Output().find("Rule 1, inserted 0 ("), std::string::npos) << Output();
  EXPECT_NE(Output().find("rejected 6."), std::string::npos) << Output();
  EXPECT_EQ(Count("categories"), "6");
  EXPECT_EQ(Quarnel("-c -@demo.qcp no-such-project.qrp"), kExitNotRun) << Output();
}

TEST_F(ConsoleRunTest, CtrlCEndsTheRuleCommitsAndRunsTheEpilogue) {
  std::string text = testenv::ReadFile(dir_.file("demo.qrp"));
  text = Replace(text, "Enabled=1", "Enabled=0");
  text = Replace(text, "sqlAfter=\n", "sqlAfter=create table after_run(x integer)\n");
  text = Replace(text, "TabName=payments\nRecords=300\n", "TabName=payments\nRecords=5000000\n");
  testenv::WriteFile(dir_.file("big.qrp"), text);

  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", Command("-c -@demo.qcp big.qrp").c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait until the big rule runs, then break.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (Output().find("rule 7 of 8 running") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kill(pid, SIGINT);
  int raw = 0;
  ASSERT_EQ(waitpid(pid, &raw, 0), pid);
  ASSERT_TRUE(WIFEXITED(raw)) << Output();
  EXPECT_EQ(WEXITSTATUS(raw), kExitProblems) << Output();
  const std::string out = Output();
  EXPECT_NE(out.find("Cancelled."), std::string::npos) << out;
  const size_t at = out.find("Rule 6, inserted ");
  ASSERT_NE(at, std::string::npos) << out;
  const std::string inserted = out.substr(at + 17, out.find(' ', at + 17) - at - 17);
  EXPECT_EQ(Count("payments"), inserted);
  EXPECT_LT(std::stoll(inserted), 5000000);
  EXPECT_EQ(Count("after_run"), "0");  // the project epilogue ran
}

TEST(RunControlTest, RunOptionsComeFromTheSettings) {
  testenv::TempDir home;
  setenv("QUARNEL_HOME", home.path().c_str(), 1);
  CLog log;
  ProgramSettings settings(&log);
  settings.SetSettingStr(4, "DateTimeSep", "Space");
  settings.SetSettingStr(4, "DateFormat", "DD.MM.YYYY");
  settings.SetSettingStr(2, "Rows", "250 rows");
  settings.SetSettingInt(3, "SingleTransaction", 1);
  settings.SetSettingInt(3, "Repeatable", 1);
  settings.SetSettingInt(3, "InitRepeat", 77);
  settings.SetSettingInt(1, "ConsoleShowsPending", 1);
  settings.GlobalVars().push_back({"@g", "Constant", "x", ""});
  std::unique_ptr<CDB> db;
  ConnectionControl connection(settings, log, db);
  RunControl control(settings, log, connection, nullptr, "/lib/path.db");
  control.consoleMode = 1;
  control.ruleSelection = {1, 3};
  Project project;
  RunOptions options;
  control.PrepareGenerator(options, project);
  EXPECT_EQ(options.DateTimeSep, " ");
  EXPECT_EQ(options.DateFormat, "DD.MM.YYYY");
  EXPECT_EQ(options.Rows, 250);
  EXPECT_EQ(options.SingleTransaction, 1);
  EXPECT_EQ(options.Repeatable, 1);
  EXPECT_EQ(options.InitRepeat, 77);
  EXPECT_EQ(options.ConsoleShowsPending, 1);
  EXPECT_EQ(options.consoleMode, 1);
  EXPECT_EQ(options.ruleSelection, (std::vector<int16_t>{1, 3}));
  EXPECT_EQ(options.LibraryLocation, "/lib/path.db");
  EXPECT_EQ(options.project, &project);
  EXPECT_EQ(options.cancel, &control.cancelFlag());
  ASSERT_NE(options.globalVars, nullptr);
  EXPECT_EQ(options.globalVars->at(0).Name, "@g");
  settings.SetSettingStr(4, "DateTimeSep", "T");
  control.PrepareGenerator(options, project);
  EXPECT_EQ(options.DateTimeSep, "");

  // An empty project is refused before any thread starts.
  const RunSummary summary = control.Run(project, {});
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(ExitStatusOf(summary, false), kExitNotRun);
  testenv::UsePrivateEnvironment();
}

TEST(RunControlTest, ExitStatuses) {
  RunSummary clean;
  clean.rulesExecuted = 3;
  EXPECT_EQ(ExitStatusOf(clean, true), kExitDone);
  EXPECT_EQ(ExitStatusOf(clean, false), kExitProblems);
  RunSummary rejected = clean;
  rejected.rejected = 1;
  EXPECT_EQ(ExitStatusOf(rejected, true), kExitProblems);
  RunSummary failed = clean;
  failed.rulesFailed = 1;
  EXPECT_EQ(ExitStatusOf(failed, true), kExitProblems);
  RunSummary script = clean;
  script.scriptStatementsFailed = 1;
  EXPECT_EQ(ExitStatusOf(script, true), kExitProblems);
  RunSummary cancelled = clean;
  cancelled.cancelled = true;
  EXPECT_EQ(ExitStatusOf(cancelled, true), kExitProblems);
  RunSummary stoppedEarly;
  stoppedEarly.stopped = true;
  EXPECT_EQ(ExitStatusOf(stoppedEarly, true), kExitNotRun);
}

TEST(RunControlTest, BreakSignalSetsTheCancelFlagOnce) {
  std::atomic<int> cancel{0};
  {
    BreakSignalGuard guard(cancel);
    raise(SIGINT);
    EXPECT_EQ(cancel.load(), 1);
  }
  struct sigaction now {};
  sigaction(SIGINT, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
}

