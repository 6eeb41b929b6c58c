// Helpers of the run tests: a console callback that records what the engine
// shows as the window would (lines and their columns, the heading, console
// text), and a small project on a fresh database.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "engine/Generator.h"
#include "tests/engine/EngineTestEnv.h"

namespace runtest {

struct RecordingConsole {
  using Line = std::array<std::string, 5>;
  std::vector<Line> lines;
  std::vector<std::string> text;     // kConsoleText messages
  std::vector<std::string> headings; // kItemText messages
  int commits = 0;
  // Called after each message, for tests that act in the middle of a run.
  std::function<void(int message, int number, const std::string& text)> hook;

  ConsoleCallback Callback() {
    return [this](int message, int number, const std::string& t) {
      switch (message) {
        case kConsoleText: text.push_back(t); break;
        case kItemText: headings.push_back(t); break;
        case kAddLine: lines.push_back(Line{t, "", "", "", ""}); break;
        case kSetLastLine:
          if (!lines.empty() && number >= 0 && number < 5) lines.back()[number] = t;
          break;
        case kSetCell: {
          const size_t line = static_cast<size_t>(number / 100);
          const int column = number % 100;
          EXPECT_LT(line, lines.size()) << "SetCell beyond the console: " << number << " " << t;
          if (line < lines.size() && column < 5) lines[line][column] = t;
          break;
        }
        default: break;
      }
      if (hook) hook(message, number, t);
    };
  }
  std::string Item(size_t line, int column) const { return line < lines.size() ? lines[line][column] : "<none>"; }
};

// Counts occurrences of `part` in `text`.
inline int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + part.size())) ++n;
  return n;
}

// A rule filling t_run(id integer primary key, name varchar(20)) with
// incremental ids from `start`.
inline Rule IdRule(const std::string& table, int records, int perTrans, int start = 1) {
  Rule rule;
  rule.TabName = table;
  rule.Records = records;
  rule.PerTrans = perTrans;
  rule.Fields = {enginetest::MakeColumn("id", 4, 10, kMethodIncremental),
                 enginetest::MakeColumn("name", 12, 20, kMethodValueList)};
  rule.Fields[0].Start = std::to_string(start);
  rule.Fields[1].Values = {"alpha", "beta", "O'Hara"};
  rule.Fields[1].Seqent = 1;
  return rule;
}

// A fresh database with the run tables t_run, t_two and t_log on the parameter's target.
class RunDatabase : public testing::TestWithParam<enginetest::Target> {
 protected:
  void SetUp() override {
    postgres = GetParam() == enginetest::Target::kPostgres;
    REQUIRE_TARGET(GetParam(), target, dir.file("run.db"));
    connStr = target;
    db = enginetest::Connect(connStr);
    ASSERT_TRUE(db);
    DropTables();
    ASSERT_EQ(enginetest::RunScript(*db,
                                    "create table t_run(id integer primary key, name varchar(20));"
                                    "create table t_two(id integer primary key, name varchar(20));"
                                    "create table t_log(what varchar(40))"),
              0);
    h.options.connection = db.get();
    h.options.VerifySchema = 0;
    h.options.console = console.Callback();
  }
  void TearDown() override {
    if (db && GetParam() != enginetest::Target::kSqlite && db->connected()) DropTables();
  }
  void DropTables() {
    for (const char* table : {"t_run", "t_two", "t_log"}) {
      db->Exec(std::string("drop table if exists ") + table);
      db->FreeStmt();
    }
  }
  // The first column of `sql` from a connection of its own, so that only
  // committed rows are seen.
  std::vector<std::string> Committed(const std::string& sql) {
    std::unique_ptr<CDB> other = enginetest::Connect(connStr);
    if (!other) return {"<no connection>"};
    return enginetest::Column(*other, sql);
  }
  std::string Count(const std::string& table) {
    const std::vector<std::string> v = Committed("select count(*) from " + table);
    return v.empty() ? "" : v[0];
  }
  void Run() {
    QuarnelGenerator generator;
    generator.Run(h.options);
    summary = generator.Summary();
  }

  testenv::TempDir dir;
  enginetest::Harness h;
  RecordingConsole console;
  std::unique_ptr<CDB> db;
  std::string connStr;
  bool postgres = false;
  RunSummary summary;
};

}  // namespace runtest
