// Helpers shared by the engine tests: a prompt that records what the engine
// shows and answers from a script, a log in a temporary folder, the demo
// database made on SQLite or PostgreSQL, and the insert statement the row loop
// builds from one generated row.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/FillMethods.h"
#include "engine/RunOptions.h"
#include "project/Project.h"
#include "project/ProjectFile.h"
#include "support/Database.h"
#include "support/SysReg.h"
#include "support/Log.h"
#include "support/Prompt.h"
#include "support/Settings.h"
#include "tests/common/TestEnv.h"

namespace enginetest {

class RecordingPrompt : public Prompt {
 public:
  struct Shown {
    std::string caption;
    std::string text;
  };
  void Message(std::string_view caption, std::string_view text, PromptIcon) override {
    shown.push_back({std::string(caption), std::string(text)});
  }
  PromptAnswer Ask(std::string_view caption, std::string_view text, PromptIcon, PromptButtons,
                   PromptAnswer preselected) override {
    shown.push_back({std::string(caption), std::string(text)});
    if (answers.empty()) return preselected;
    const PromptAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  PromptAnswer ErrorDialog(std::string_view errorText, std::string_view statement, bool& dontShowAgain) override {
    shown.push_back({"Error dialog", std::string(errorText) + "|" + std::string(statement)});
    dontShowAgain = dontShowAgainAnswer;
    return Ask("Error", errorText, PromptIcon::kError, PromptButtons::kOkCancel, PromptAnswer::kOk);
  }
  bool Showed(std::string_view caption, std::string_view textPart) const {
    for (const Shown& s : shown) {
      if (s.caption == caption && s.text.find(textPart) != std::string::npos) return true;
    }
    return false;
  }
  std::vector<Shown> shown;
  std::deque<PromptAnswer> answers;
  bool dontShowAgainAnswer = false;
};

// A log file in its own temporary folder.
class TestLog {
 public:
  TestLog() {
    settings_.Add("LogFilePath", _Settings::kText, 0, "");
    settings_.setStr("LogFilePath", dir_.path().string());
    log_.Begin("engine test", &settings_, "enginetest");
  }
  CLog& log() { return log_; }
  std::string Text() const { return log_.GetLastRows(100000); }

 private:
  testenv::TempDir dir_;
  _Settings settings_;
  CLog log_;
};

// Connects `connStr`; null (and a test failure) when it cannot.
inline std::unique_ptr<CDB> Connect(const std::string& connStr) {
  std::unique_ptr<CDB> db = CDB::newDB(CONN_INFO::kOdbc);
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = connStr;
  const int status = db->Connect(info);
  EXPECT_TRUE(CDB::isOK(status)) << db->ErrorText();
  if (!db->connected()) return nullptr;
  return db;
}

using testenv::RunScript;

// The demo schema, for SQLite or for PostgreSQL.
// The database targets every database-backed test runs against.
enum class Target { kSqlite, kPostgres, kMariaDb };
inline std::string TargetName(const testing::TestParamInfo<Target>& info) {
  return info.param == Target::kSqlite ? "SQLite" : info.param == Target::kPostgres ? "PostgreSQL" : "MariaDB";
}

// The connection string of `target` (`sqliteFile` for SQLite), or empty when
// its test server is not running.
inline std::string TargetConnStr(Target target, const std::string& sqliteFile) {
  switch (target) {
    case Target::kPostgres: return testenv::PostgresConnStr();
    case Target::kMariaDb: return testenv::MariaDbConnStr();
    default: return testenv::SqliteConnStr(sqliteFile);
  }
}

// Skips the current test when the target's test server is not running (fails under CI).
#define REQUIRE_TARGET(target, connVar, sqliteFile)                                          \
  const std::string connVar = enginetest::TargetConnStr(target, sqliteFile);                  \
  if (connVar.empty()) {                                                                      \
    const char* server = (target) == enginetest::Target::kPostgres ? "PostgreSQL" : "MariaDB"; \
    if (std::getenv("CI")) FAIL() << server << " test server is not running";                 \
    GTEST_SKIP() << server << " test server is not running";                                  \
  }

inline std::string DemoSchema(Target target) {
  return testenv::ReadFile(testenv::SourceDir() / "examples" /
                           (target == Target::kSqlite     ? "demo-schema.sql"
                            : target == Target::kPostgres ? "demo-schema-postgres.sql"
                                                          : "demo-schema-mariadb.sql"));
}

inline void DropDemoTables(CDB& db) {
  // What examples/demo-rules.qrp makes: a view on customers and a table.
  for (const char* statement : {"drop view if exists demo_customer_cities", "drop table if exists demo_archive"}) {
    db.Exec(statement);
    db.FreeStmt();
  }
  for (const char* table : {"payments", "order_lines", "orders", "products", "customers", "categories", "t_values", "t_inc", "t_wide"}) {
    db.Exec(std::string("drop table if exists ") + table);
    db.FreeStmt();
  }
}

// First column of every row of `sql`, NULL as "<null>".
inline std::vector<std::string> Column(CDB& db, const std::string& sql) {
  std::vector<std::string> out;
  std::unique_ptr<CStmt> stmt = db.NewStmt();
  EXPECT_TRUE(CDB::isOK(db.Exec(sql, stmt.get()))) << db.ErrorText() << "\n" << sql;
  std::string text;
  long ind = 0;
  while (CDB::isOK(db.Fetch(stmt.get()))) {
    db.GetDataAsText(1, &text, &ind, stmt.get());
    out.push_back(ind < 0 ? "<null>" : text);
  }
  db.FreeStmt(stmt.get());
  return out;
}

// The demo project, read from examples/demo.qrp.
// A small XML value library with the lists the demo project uses, fixed here
// so that results do not follow the shipped library's contents.
inline std::string WriteDemoLibrary(const testenv::TempDir& dir) {
  const std::string path = dir.file("library.xml");
  testenv::WriteFile(path,
                     "<?xml version=\"1.0\"?><library>"
                     "<FirstNames><item Name=\"Ann\"/><item Name=\"Bob\"/><item Name=\"Zoë\"/></FirstNames>"
                     "<LastNames><item Name=\"O'Brien\"/><item Name=\"Smith\"/></LastNames>"
                     "<Phrases><item Phrase=\"A phrase.\" Language=\"en\"/></Phrases>"
                     "</library>");
  return path;
}

inline Project LoadDemo() {
  Project project;
  CSysReg store((testenv::SourceDir() / "examples" / "demo.qrp").string(), CSysReg::kDiskFile);
  std::string message;
  EXPECT_EQ(ReadProject(store, project, &message), 0) << message;
  return project;
}

inline const Rule& DemoRule(const Project& project, const std::string& table) {
  for (const Rule& rule : project.rules) {
    if (rule.TabName == table && rule.Mode == kRuleData) return rule;
  }
  ADD_FAILURE() << "no demo rule for " << table;
  return project.rules.front();
}

// A column rule with the descriptor fields set.
inline ColumnRule MakeColumn(const std::string& name, int type, int size, int method) {
  ColumnRule column;
  column.Name = name;
  column.iType = static_cast<int16_t>(type);
  column.iSize = size;
  column.Method = method;
  return column;
}

// Everything a RowGenerator needs, with the recording prompt installed.
struct Harness {
  Harness() {
    options.project = &project;
    options.prompt = &prompt;
    options.cancel = &cancel;
    options.log = &log.log();
    options.FromLinked = 128000;
  }
  // "insert into T(cols) values(...)", as the row loop builds it.
  static std::string Insert(const RowGenerator& generator, const CDB* db, const std::string& table,
                            const std::string& values) {
    std::string columns;
    for (const ColumnRule& column : generator.Columns()) {
      if (column.Method == kMethodIgnore) continue;
      if (!columns.empty()) columns += ',';
      columns += db ? db->QuotedStr(column.Name) : column.Name;
    }
    return "insert into " + table + "(" + columns + ") values(" + values + ")\r\n";
  }
  TestLog log;
  RecordingPrompt prompt;
  Project project;
  std::atomic<int> cancel{0};
  RunOptions options;
};

// A fixture with a fresh demo database on the parameter's target.
class DemoDatabase : public testing::TestWithParam<Target> {
 protected:
  void SetUp() override {
    postgres = GetParam() == Target::kPostgres;
    REQUIRE_TARGET(GetParam(), connStr, dir.file("demo.db"));
    db = Connect(connStr);
    ASSERT_TRUE(db);
    DropDemoTables(*db);
    ASSERT_EQ(RunScript(*db, DemoSchema(GetParam())), 0);
    h.options.connection = db.get();
  }
  void TearDown() override {
    if (db && GetParam() != Target::kSqlite) DropDemoTables(*db);
  }
  // Generates `rows` rows with `generator` (prepared) and inserts them;
  // returns the number of statements the database rejected.
  int Fill(RowGenerator& generator, const std::string& table, int rows) {
    int rejected = 0;
    std::string values, line;
    for (int row = 1; row <= rows; ++row) {
      EXPECT_EQ(generator.GenOneRowValues(values, row, line, ","), 0) << "row " << row;
      const std::string insert = Harness::Insert(generator, db.get(), table, values);
      if (!CDB::isOK(db->Exec(insert))) {
        ++rejected;
        lastError = db->ErrorText() + "\n" + insert;
      }
      db->FreeStmt();
    }
    return rejected;
  }

  testenv::TempDir dir;
  Harness h;
  std::unique_ptr<CDB> db;
  bool postgres = false;
  std::string lastError;
};

}  // namespace enginetest
