// Rows delivered in pieces: multi-row insert statements (a failing one sent
// again row by row), PostgreSQL's COPY, and the second thread that sends one
// piece while the next is made, checked through the counts, the log, the
// output files and the rows the database holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "engine/Generator.h"
#include "GenTmpl/VLibrary.h"
#include "tests/engine/RunTestEnv.h"

using namespace enginetest;
using namespace runtest;

namespace {

// Row statements the log shows: each executed statement is logged with
// LogLevel 1, a batch as one.
int Statements(const std::string& log) { return CountOf(log, "insert into t_run(id,name) values("); }

struct BatchCase {
  int records;
  int perTrans;
  int rowsPerStatement;
  int statements;  // executed insert statements
  int commits;
};

}  // namespace

TEST_P(RunDatabase, BatchesOfRowsPerStatementEndWithEachTransaction) {
  // records, PerTrans, RowsPerStatement -> statements, commits.
  const BatchCase cases[] = {
      {10, 0, 4, 3, 0},   // 4 + 4 + 2, autocommit
      {10, 3, 4, 4, 4},   // PerTrans below the batch: 3 + 3 + 3 + 1
      {11, 7, 3, 5, 2},   // PerTrans not a multiple: 3 + 3 + 1 | 3 + 1
      {9, 9, 4, 3, 1},    // 4 + 4 + 1, one transaction
      {6, 2, 1, 6, 3},    // one row a statement, as always
  };
  for (const BatchCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.records << " rows, PerTrans " << c.perTrans << ", " << c.rowsPerStatement
                                    << " a statement");
    DropTables();
    ASSERT_EQ(RunScript(*db, "create table t_run(id integer primary key, name varchar(20))"), 0);
    TestLog log;
    h.options.log = &log.log();
    h.options.LogLevel = 1;
    h.options.RowsPerStatement = c.rowsPerStatement;
    h.project.ToFile = 1;
    h.project.AddCommit = 1;
    h.project.SQLFile = dir.file("batch" + std::to_string(c.records) + "_" + std::to_string(c.perTrans) + ".sql");
    h.project.rules = {IdRule("t_run", c.records, c.perTrans)};
    Run();
    const std::string text = log.Text();
    EXPECT_EQ(Statements(text), c.statements) << text;
    EXPECT_EQ(CountOf(text, "Commit Exec"), c.commits) << text;
    EXPECT_EQ(Count("t_run"), std::to_string(c.records));
    EXPECT_EQ(summary.inserted, static_cast<uint64_t>(c.records));
    EXPECT_EQ(summary.rejected, 0u);
    // The script keeps one statement a row, and its commits where the rows end them.
    const std::string sql = testenv::ReadFile(h.project.SQLFile);
    EXPECT_EQ(Statements(sql), c.records) << sql;
    EXPECT_EQ(CountOf(sql, "COMMIT"), c.commits) << sql;
    EXPECT_EQ(CountOf(sql, "),("), 0);
    h.options.log = nullptr;
  }
}

TEST_P(RunDatabase, AFailingRowInABatchCostsOnlyItself) {
  ASSERT_EQ(RunScript(*db, "insert into t_run values(5, 'taken')"), 0);
  for (const int generateBeside : {0, 1}) {
    SCOPED_TRACE(generateBeside ? "second thread" : "one thread");
    ASSERT_EQ(RunScript(*db, "delete from t_run where id <> 5"), 0);
    h.options.generateBeside = generateBeside;
    h.options.RowsPerStatement = 4;
    h.project.rules = {IdRule("t_run", 10, 3)};
    Run();
    EXPECT_EQ(summary.inserted, 9u);
    EXPECT_EQ(summary.rejected, 1u);
    EXPECT_EQ(console.Item(0, kConsoleRejected), "1");
    // The neighbours of row 5 in its batch (4 and 6) are there; 5 is the old row.
    EXPECT_EQ(Committed("select name from t_run where id between 4 and 6 order by id"),
              (std::vector<std::string>{"alpha", "taken", "O'Hara"}));
    EXPECT_EQ(Count("t_run"), "10");
    EXPECT_NE(h.log.Text().find("insert into t_run(id,name) values(5,'beta')"), std::string::npos);
  }
}

TEST_P(RunDatabase, SingleTransactionStopsAtTheFirstRowABatchRejects) {
  ASSERT_EQ(RunScript(*db, "insert into t_run values(6, 'taken')"), 0);
  h.options.SingleTransaction = 1;
  h.options.RowsPerStatement = 4;
  h.project.rules = {IdRule("t_run", 10, 0), IdRule("t_two", 3, 0)};
  Run();
  EXPECT_EQ(summary.rulesExecuted, 1);
  // Everything of the run was rolled back; the row that was there stays,
  // and the rule after it never ran.
  EXPECT_EQ(Committed("select name from t_run"), std::vector<std::string>{"taken"});
  EXPECT_EQ(Count("t_two"), "0");
  // Rows 5 to 8 failed as a batch; row 5 went in again alone, row 6 ended
  // the run, and the five rows before it went back with the transaction.
  EXPECT_EQ(summary.inserted, 0u);
  EXPECT_EQ(summary.rejected, 6u);
  EXPECT_EQ(summary.rulesFailed, 1);
}

// COPY on PostgreSQL, LOAD DATA on MariaDB: every value comes back exactly as
// an insert statement would store it.
class CopyLoad : public RunDatabase {
 protected:
  void SetUp() override {
    RunDatabase::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (GetParam() == Target::kSqlite) GTEST_SKIP() << "COPY is PostgreSQL's, LOAD DATA MariaDB's";
    ASSERT_EQ(RunScript(*db, "drop table if exists t_copy;"
                             "create table t_copy(id integer primary key, txt varchar(40), n integer, "
                             "skipped varchar(10) default 'dflt')"),
              0);
  }
  void TearDown() override {
    if (db && db->connected()) {
      db->Exec("drop table if exists t_copy");
      db->FreeStmt();
    }
    RunDatabase::TearDown();
  }
  Rule CopyRule(int records, int perTrans) {
    Rule rule = IdRule("t_copy", records, perTrans);
    rule.Fields[1].Name = "txt";
    rule.Fields[1].Values = {"tab\there",   "back\\slash\\", "line\nfeed", "carriage\r\nreturn", "Zoë ☃ 東京",
                             "O'Hara ''", "\\N",           "NULL",       "",                   "end\\"};
    ColumnRule n = MakeColumn("n", 4, 10, kMethodIncremental);
    n.Start = "100";
    n.UseNulls = 100;  // every value NULL
    rule.Fields.push_back(n);
    rule.Fields.push_back(MakeColumn("skipped", 12, 10, kMethodIgnore));
    return rule;
  }
  std::vector<std::string> Rows() {
    const std::string n = postgres ? "n::text" : "cast(n as char)";
    return Committed("select id || '|' || coalesce(txt, '<null>') || '|' || coalesce(" + n + ", '<null>') || '|' || "
                     "skipped from t_copy order by id");
  }
};

TEST_P(CopyLoad, ValuesComeBackAsInsertsStoreThem) {
  h.project.rules = {CopyRule(10, 4)};
  Run();
  ASSERT_EQ(summary.rejected, 0u) << h.log.Text();
  const std::vector<std::string> inserted = Rows();
  ASSERT_EQ(inserted.size(), 10u);
  EXPECT_EQ(inserted[0], "1|tab\there|<null>|dflt");
  EXPECT_EQ(inserted[1], "2|back\\slash\\|<null>|dflt");
  EXPECT_EQ(inserted[3], "4|carriage\r\nreturn|<null>|dflt");
  EXPECT_EQ(inserted[4], "5|Zoë ☃ 東京|<null>|dflt");
  EXPECT_EQ(inserted[6], "7|\\N|<null>|dflt");
  EXPECT_EQ(inserted[7], "8|<null>|<null>|dflt");  // the list item NULL is SQL NULL
  ASSERT_EQ(RunScript(*db, "delete from t_copy"), 0);

  h.options.UseBULK = 1;
  h.options.LogLevel = 1;
  Run();
  EXPECT_EQ(summary.inserted, 10u);
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_EQ(Rows(), inserted);
  // Chunks of PerTrans rows: 4, 4 and 2.
  const char* load = postgres ? "copy t_copy(id,txt,n) from stdin" : "into table t_copy character set utf8mb4 (id,txt,n)";
  EXPECT_EQ(CountOf(h.log.Text(), load), 3) << h.log.Text();
}

TEST_P(CopyLoad, AFailingChunkIsRejectedWholeWithTheServersMessage) {
  ASSERT_EQ(RunScript(*db, "insert into t_copy(id) values(6)"), 0);
  h.options.UseBULK = 1;
  h.project.rules = {CopyRule(10, 4)};
  Run();
  const std::string log = h.log.Text();
  EXPECT_NE(log.find("BULK INSERT"), std::string::npos) << log;
  if (postgres) {
    // Rows 5 to 8 share a chunk with the clash.
    EXPECT_EQ(summary.inserted, 6u);
    EXPECT_EQ(summary.rejected, 4u);
    EXPECT_EQ(Count("t_copy"), "7");
    EXPECT_NE(log.find("duplicate key"), std::string::npos) << log;
  } else {
    // LOAD DATA from the client's file skips the rows the table refuses.
    EXPECT_EQ(summary.inserted, 9u);
    EXPECT_EQ(summary.rejected, 1u);
    EXPECT_EQ(Count("t_copy"), "10");
    EXPECT_NE(log.find("Duplicate entry '6'"), std::string::npos) << log;
  }
}

TEST_P(CopyLoad, CancelStopsTheLoadWithCountsThatMatchTheTable) {
  h.options.UseBULK = 1;
  console.hook = [&](int message, int number, const std::string&) {
    if (message == kSetCell && number % 100 == kConsoleInserted) h.cancel.store(1);
  };
  Rule rule = CopyRule(200000, 1000);
  rule.Fields[1].Values = {"x"};
  h.project.rules = {rule};
  Run();
  EXPECT_TRUE(summary.cancelled);
  EXPECT_LT(summary.inserted, 200000u);
  EXPECT_EQ(summary.rejected, 0u);
  EXPECT_EQ(Count("t_copy"), std::to_string(summary.inserted));
}

// Under SingleTransaction a bulk load stays in the run's transaction: it
// waits on no lock the run holds, and a later failure takes its rows back.
TEST_P(CopyLoad, SingleTransactionKeepsTheLoadInTheRunsTransaction) {
  ASSERT_EQ(RunScript(*db, "insert into t_copy(id) values(1000)"), 0);
  h.options.UseBULK = 1;
  h.options.SingleTransaction = 1;
  h.project.sqlBefore = "insert into t_copy(id) values(2000)";
  Rule replace = CopyRule(10, 4);
  replace.InsMode = kInsReplace;
  h.project.rules = {replace};
  Run();
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_EQ(Count("t_copy"), "10");

  Rule failing = CopyRule(3, 4);  // ids 1 to 3 are taken
  h.project.rules = {replace, failing};
  Run();
  EXPECT_GT(summary.rejected, 0u);
  // The replace rule's delete and rows went back with the failing rule;
  // the prologue ran before the run's transaction.
  EXPECT_EQ(Count("t_copy where id <> 2000"), "10");
}

// A load blocked by another session's lock ends within seconds of a cancel,
// by COPY and by batched statements alike.
TEST_P(CopyLoad, CancelEndsALoadBlockedByALock) {
  std::unique_ptr<CDB> other = Connect(connStr);
  ASSERT_TRUE(other);
  if (postgres) {
    other->BeginTran();
    ASSERT_TRUE(CDB::isOK(other->Exec("lock table t_copy in share mode")));
  } else {
    ASSERT_TRUE(CDB::isOK(other->Exec("lock tables t_copy read"))) << other->ErrorText();
  }
  other->FreeStmt();
  for (const int bulk : {1, 0}) {
    h.cancel.store(0);
    h.options.UseBULK = bulk;
    h.options.RowsPerStatement = 10;
    h.project.rules = {CopyRule(100, 50)};
    std::thread canceller([this] {
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      h.cancel.store(1);
    });
    const auto start = std::chrono::steady_clock::now();
    Run();
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << "UseBULK " << bulk;
    EXPECT_TRUE(summary.cancelled) << "UseBULK " << bulk;
    EXPECT_EQ(summary.inserted, 0u) << "UseBULK " << bulk;
  }
  if (postgres) {
    other->EndTran(1);
  } else {
    other->Exec("unlock tables");
  }
  EXPECT_EQ(Count("t_copy"), "0");
}

INSTANTIATE_TEST_SUITE_P(Targets, CopyLoad, testing::Values(Target::kPostgres, Target::kMariaDb), TargetName);

namespace {

// The demo project with its output files in `outDir`.
Project DemoWithOutputs(const std::string& outDir) {
  Project demo = LoadDemo();
  const std::string examples = (testenv::SourceDir() / "examples").string();
  demo.ToFile = 1;
  demo.SQLFile = outDir + "/demo.sql";
  demo.ToTxtFile = 1;
  demo.TXTFile = outDir + "/demo.txt";
  demo.ToXMLFile = 1;
  demo.XMLFile = outDir + "/demo.xml";
  for (Rule& rule : demo.rules) {
    for (ColumnRule& column : rule.Fields) {
      if (!column.FileName.empty()) column.FileName = examples + "/" + column.FileName;
    }
  }
  return demo;
}

}  // namespace

// The demo's repeatable output is the same whether rows go one by one, in
// batches on one thread, or in batches sent beside their making.
TEST_P(DemoDatabase, RepeatableOutputIsTheSameWithTheSecondThread) {
  VLibrary library;
  ASSERT_EQ(library.Open(WriteDemoLibrary(dir), h.log.log()), 0);
  struct Way {
    const char* name;
    int rowsPerStatement;
    int beside;
  };
  const Way ways[] = {{"single", 1, 0}, {"batched", 50, 0}, {"beside", 50, 1}};
  std::vector<std::string> outputs;
  std::vector<std::vector<std::string>> tables;
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    DropDemoTables(*db);
    ASSERT_EQ(RunScript(*db, DemoSchema(GetParam())), 0);
    const std::string outDir = dir.file(way.name);
    std::filesystem::create_directories(outDir);
    h.project = DemoWithOutputs(outDir);
    h.options.library = &library;
    h.options.VerifySchema = 0;
    h.options.Repeatable = 1;
    h.options.InitRepeat = 4711;
    h.options.RowsPerStatement = way.rowsPerStatement;
    h.options.generateBeside = way.beside;
    QuarnelGenerator generator;
    generator.Run(h.options);
    EXPECT_EQ(generator.Summary().rejected, 0u) << h.log.Text();
    outputs.push_back(testenv::ReadFile(outDir + "/demo.sql") + testenv::ReadFile(outDir + "/demo.txt") +
                      testenv::ReadFile(outDir + "/demo.xml"));
    tables.push_back(Column(*db, "select count(*) || ':' || sum(quantity) || ':' || min(product_id) from order_lines"));
  }
  h.options.library = nullptr;
  ASSERT_GT(outputs[0].size(), 10000u);
  EXPECT_TRUE(outputs[1] == outputs[0]);
  EXPECT_TRUE(outputs[2] == outputs[0]);
  EXPECT_EQ(tables[1], tables[0]);
  EXPECT_EQ(tables[2], tables[0]);
}

namespace {

constexpr const char* kValuesTable =
    "create table t_values(id integer primary key, name varchar(40), amount decimal(10,2), qty integer, "
    "born date, ratio double, loose, numtext varchar(20), bin blob);";

// Values of every kind the row loop writes: text with quotes, backslashes,
// non-ASCII letters, empty; decimals, integers, dates, reals; numbers and
// blobs written as they stand into columns of other affinities; NULLs.
Rule ValuesRule(int records) {
  Rule rule;
  rule.TabName = "t_values";
  rule.Records = records;
  rule.PerTrans = 7;
  using enginetest::MakeColumn;
  ColumnRule name = MakeColumn("name", 12, 40, kMethodValueList);
  name.Values = {"O'Brien", "back\\slash", "Ünïcødé – ✓ 日本", "", "'quoted'", "tab\there", "a\"b", "NULL"};
  name.UseNulls = 20;
  ColumnRule amount = MakeColumn("amount", 3, 10, kMethodRandom);
  amount.iDigits = 2;
  amount.LowRange = "-1000";
  amount.HighRange = "1000";
  amount.UseNulls = 10;
  ColumnRule qty = MakeColumn("qty", 4, 10, kMethodRandom);
  qty.LowRange = "-100000";
  qty.HighRange = "100000";
  const std::vector<std::string> numbers = {"1.50", "42", "-0", "1e3", "-9223372036854775808",
                                            "12345678901234567890", ".5", "'text'", "NULL", "7.0"};
  ColumnRule loose = MakeColumn("loose", 12, 20, kMethodValueList);
  loose.NoQuotas = 1;
  loose.Values = numbers;
  ColumnRule numtext = loose;
  numtext.Name = "numtext";
  ColumnRule bin = MakeColumn("bin", -4, 20, kMethodValueList);
  bin.NoQuotas = 1;
  bin.Values = {"X'00FF41'", "x''", "X'0a0D'", "NULL"};
  rule.Fields = {MakeColumn("id", 4, 10, kMethodIncremental), name, amount, qty,
                 MakeColumn("born", 91, 10, kMethodRandom), MakeColumn("ratio", 8, 15, kMethodRandom),
                 loose, numtext, bin};
  rule.Fields[0].Start = "1";
  return rule;
}

}  // namespace

// SQLite takes the rows through prepared inserts with bound values. One row
// a statement or in batches, on one thread or beside, with rows that hold a
// conversion left to literal statements: the table holds what the rule's SQL
// script stores when sqlite3 itself executes it, type and value of every
// column.
TEST(PreparedRows, SqliteStoresWhatTheScriptsLiteralStatementsStore) {
  struct Way {
    const char* name;
    int rowsPerStatement;
    int beside;
    const char* dateConversion;
  };
  const Way ways[] = {{"single", 1, 0, ""},
                      {"batched", 100, 0, ""},
                      {"beside", 25, 1, ""},
                      {"conversions", 100, 0, "date('%s')"},
                      {"single-conversions", 1, 0, "date('%s')"}};
  for (const Way& way : ways) {
    SCOPED_TRACE(way.name);
    testenv::TempDir dir;
    const std::string bound = dir.file("bound.db");
    const std::string literal = dir.file("literal.db");
    const std::string script = dir.file("rows.sql");
    std::unique_ptr<CDB> db = enginetest::Connect(testenv::SqliteConnStr(bound));
    ASSERT_TRUE(db);
    ASSERT_EQ(enginetest::RunScript(*db, kValuesTable), 0);
    enginetest::Harness h;
    h.options.connection = db.get();
    h.options.VerifySchema = 0;
    h.options.RowsPerStatement = way.rowsPerStatement;
    h.options.generateBeside = way.beside;
    h.options.DateConversion = way.dateConversion;
    h.project.ToFile = 1;
    h.project.SQLFile = script;
    h.project.StmtDelimiter = ";";
    h.project.rules = {ValuesRule(300)};
    QuarnelGenerator generator;
    generator.Run(h.options);
    EXPECT_EQ(generator.Summary().inserted, 300u) << h.log.Text();
    EXPECT_EQ(generator.Summary().rejected, 0u) << h.log.Text();

    // One transaction, so that sqlite3 does not sync the file once a statement.
    testenv::WriteFile(dir.file("schema.sql"), std::string(kValuesTable) + "begin;");
    const std::string command = "(cat '" + dir.file("schema.sql") + "' '" + script + "'; echo 'commit;') | sqlite3 '" +
                                literal + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    ASSERT_EQ(enginetest::RunScript(*db, "attach '" + literal + "' as lit"), 0);
    std::string differ = "select b.id from t_values b join lit.t_values l using(id) where 0";
    for (const char* c : {"name", "amount", "qty", "born", "ratio", "loose", "numtext", "bin"}) {
      const std::string bc = std::string("b.") + c, lc = std::string("l.") + c;
      differ += " or typeof(" + bc + ") <> typeof(" + lc + ") or " + bc + " is not " + lc + " or quote(" + bc +
                ") <> quote(" + lc + ")";
    }
    EXPECT_EQ(enginetest::Column(*db, differ), std::vector<std::string>{});
    EXPECT_EQ(enginetest::Column(*db, "select count(*) from lit.t_values"), std::vector<std::string>{"300"});
    // The rows hold what the comparison is about.
    EXPECT_EQ(enginetest::Column(*db, "select group_concat(t) from (select distinct typeof(loose) t from t_values "
                                      "order by 1)"),
              std::vector<std::string>{"integer,null,real,text"});
    EXPECT_EQ(enginetest::Column(*db, "select count(*) > 0 from t_values where typeof(bin) = 'blob' and "
                                      "length(bin) = 0"),
              std::vector<std::string>{"1"});
    EXPECT_EQ(enginetest::Column(*db, "select count(*) > 0 from t_values where name is null"),
              std::vector<std::string>{"1"});
    EXPECT_EQ(enginetest::Column(*db, "select count(*) > 0 from t_values where name = ''"),
              std::vector<std::string>{"1"});
    EXPECT_EQ(enginetest::Column(*db, "select count(*) > 0 from t_values where name = 'O''Brien'"),
              std::vector<std::string>{"1"});
    ASSERT_EQ(enginetest::RunScript(*db, "detach lit"), 0);
  }
}
