// Scramble mode: the rows of a source table meeting the rule's condition are
// copied into a target table, in the same database or another one, Ignore
// columns unchanged and the others with new values; and the checks that keep
// a scramble out of its own source table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Generator.h"
#include "engine/ScrambleTarget.h"
#include "tests/engine/RunTestEnv.h"

using namespace enginetest;
using namespace runtest;

namespace {

class ScrambleMode : public RunDatabase {
 protected:
  void SetUp() override {
    RunDatabase::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    DropOwn();
    ASSERT_EQ(RunScript(*db,
                        "create table t_src(id integer primary key, name varchar(20), note varchar(30), n integer);"
                        "insert into t_src values(1, 'Ann', 'O''Brien', 10);"
                        "insert into t_src values(2, 'Bob', NULL, 20);"
                        "insert into t_src values(3, 'Cy', '  two  blanks', NULL);"
                        "insert into t_src values(4, 'Di', 'x'' or ''a''=''a', 40)"),
              0);
    targetFile = dir.file("masked.db");
  }
  void TearDown() override {
    if (db && postgres && db->connected()) DropOwn();
    RunDatabase::TearDown();
  }
  void DropOwn() {
    for (const char* table : {"t_src", "t_dst"}) {
      db->Exec(std::string("drop table if exists ") + table);
      db->FreeStmt();
    }
  }
  // Scrambles t_src into `target` of the SQLite file targetFile: id and note
  // copied, name new ("new"), n a new number.
  Rule ScrambleRule(const std::string& target, const std::string& where) {
    Rule rule;
    rule.TabName = "t_src";
    rule.sTarget = target;
    rule.InsMode = kInsScramble;
    rule.UpdWhere = where;
    rule.PerTrans = 2;
    rule.Fields = {MakeColumn("id", 4, 10, kMethodIgnore), MakeColumn("name", 12, 20, kMethodValueList),
                   MakeColumn("note", 12, 30, kMethodIgnore), MakeColumn("n", 4, 10, kMethodIncremental)};
    rule.Fields[1].Values = {"new"};
    rule.Fields[3].Start = "100";
    rule.TargetConn.ConType = CONN_INFO::kOdbc;
    rule.TargetConn.conStr = testenv::SqliteConnStr(targetFile);
    return rule;
  }
  std::vector<std::string> TargetRows(const std::string& sql) {
    std::unique_ptr<CDB> target = Connect(testenv::SqliteConnStr(targetFile));
    if (!target) return {"<no connection>"};
    return Column(*target, sql);
  }
  std::string targetFile;
};

TEST_P(ScrambleMode, CopiesIgnoreColumnsExactlyAndRenewsTheOthers) {
  h.project.rules = {ScrambleRule("t_dst", "")};
  Run();
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_EQ(summary.inserted, 4u);
  EXPECT_EQ(TargetRows("select id || '|' || coalesce(note, '<null>') || '|' || name || '|' || n from t_dst order by id"),
            (std::vector<std::string>{"1|O'Brien|new|100", "2|<null>|new|101", "3|  two  blanks|new|102",
                                      "4|x' or 'a'='a|new|103"}));
  // The source is untouched.
  EXPECT_EQ(Committed("select name from t_src order by id"), (std::vector<std::string>{"Ann", "Bob", "Cy", "Di"}));
}

// From MariaDB into PostgreSQL (into SQLite every test above does): the
// target is made on the other server and the copied values arrive as they
// were, backslashes and quotes included.
TEST_P(ScrambleMode, FromMariaDbIntoPostgreSqlCopiesValuesExactly) {
  if (GetParam() != Target::kMariaDb) GTEST_SKIP() << "the source is MariaDB";
  REQUIRE_POSTGRES(pg);
  ASSERT_EQ(RunScript(*db, "insert into t_src values(5, 'Ed', 'C:\\\\dir\\\\', 50)"), 0);
  std::unique_ptr<CDB> target = Connect(pg);
  ASSERT_TRUE(target);
  RunScript(*target, "drop table if exists t_from_maria");
  Rule rule = ScrambleRule("t_from_maria", "");
  rule.TargetConn.conStr = pg;
  h.project.rules = {rule};
  h.options.RecreateScrambleTab = 1;
  Run();
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_EQ(Column(*target, "select id || '|' || coalesce(note, '<null>') || '|' || name from t_from_maria order by id"),
            (std::vector<std::string>{"1|O'Brien|new", "2|<null>|new", "3|  two  blanks|new", "4|x' or 'a'='a|new",
                                      "5|C:\\dir\\|new"}));
  RunScript(*target, "drop table t_from_maria");
}

TEST_P(ScrambleMode, ConditionLimitsTheRowsAndNullShareApplies) {
  Rule rule = ScrambleRule("t_dst", "id >= 3");
  rule.Fields[1].UseNulls = 100;
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(TargetRows("select id || '|' || coalesce(name, '<null>') from t_dst order by id"),
            (std::vector<std::string>{"3|<null>", "4|<null>"}));
}

TEST_P(ScrambleMode, IdentityColumnIsLeftToTheTarget) {
  Rule rule = ScrambleRule("t_dst", "");
  rule.Fields[0].isAutoIncrement = 1;
  h.project.rules = {rule};
  // A target whose key the database assigns.
  h.options.RecreateScrambleTab = 0;
  std::unique_ptr<CDB> target = Connect(testenv::SqliteConnStr(targetFile));
  ASSERT_TRUE(target);
  ASSERT_EQ(RunScript(*target, "create table t_dst(id integer primary key, name varchar(20), note varchar(30), n integer);"
                               "insert into t_dst values(7, 'kept', NULL, 0)"),
            0);
  target.reset();
  h.options.LogLevel = 1;
  Run();
  EXPECT_NE(h.log.Text().find("insert into t_dst(name,note,n)\r\n values('new','O''Brien',100)"), std::string::npos)
      << h.log.Text();
  EXPECT_EQ(TargetRows("select id from t_dst order by id"), (std::vector<std::string>{"7", "8", "9", "10", "11"}));
  EXPECT_EQ(summary.inserted, 4u);
}

TEST_P(ScrambleMode, WithoutRecreateAMissingTargetRejectsEveryRow) {
  h.options.RecreateScrambleTab = 0;
  h.project.rules = {ScrambleRule("t_dst", "")};
  Run();
  EXPECT_EQ(summary.inserted, 0u);
  EXPECT_EQ(summary.rejected, 4u);

  // An existing target keeps its rows and gets the copies.
  std::unique_ptr<CDB> target = Connect(testenv::SqliteConnStr(targetFile));
  ASSERT_TRUE(target);
  ASSERT_EQ(RunScript(*target, "create table t_dst(id integer, name varchar(20), note varchar(30), n integer);"
                               "insert into t_dst values(99, 'kept', NULL, 0)"),
            0);
  target.reset();
  Run();
  EXPECT_EQ(summary.inserted, 4u);
  EXPECT_EQ(TargetRows("select count(*) from t_dst"), (std::vector<std::string>{"5"}));
}

TEST_P(ScrambleMode, RecreateReplacesTheTargetTable) {
  std::unique_ptr<CDB> target = Connect(testenv::SqliteConnStr(targetFile));
  ASSERT_TRUE(target);
  ASSERT_EQ(RunScript(*target, "create table t_dst(other integer); insert into t_dst values(1)"), 0);
  target.reset();
  h.project.rules = {ScrambleRule("t_dst", "")};
  Run();
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_EQ(TargetRows("select count(*) from t_dst where note = 'O''Brien'"), (std::vector<std::string>{"1"}));
}

TEST_P(ScrambleMode, SameTableAsSourceIsWrittenOnlyAfterYes) {
  Rule rule = ScrambleRule("T_SRC", "");
  rule.TargetConn.conStr = connStr;
  h.project.rules = {rule};
  // The preselected answer, which console mode takes, is No.
  h.options.consoleMode = 1;
  Run();
  EXPECT_TRUE(h.prompt.Showed("Warning!", "Possible the Target table is same as Source. Continue anyway?"));
  EXPECT_EQ(Count("t_src"), "4");

  // Yes: the copies go into the source table, which is not dropped first.
  Rule copy = ScrambleRule("t_src", "id = 1");
  copy.TargetConn.conStr = connStr;
  copy.Fields[0].Method = kMethodIncremental;
  copy.Fields[0].Start = "50";
  h.project.rules = {copy};
  h.prompt.answers = {PromptAnswer::kYes};
  Run();
  EXPECT_EQ(Committed("select id || '|' || name from t_src order by id"),
            (std::vector<std::string>{"1|Ann", "2|Bob", "3|Cy", "4|Di", "50|new"}));
}

// The same table reached under other spellings of its database, or through
// its schema's name, is still the source: never dropped, written only after Yes.
TEST_P(ScrambleMode, SourceReachedUnderAnotherNameIsNeverDropped) {
  std::string sameDatabase = connStr;
  std::string sameTable = "t_src";
  if (postgres) {
    const std::size_t host = sameDatabase.find("Server=127.0.0.1");
    ASSERT_NE(host, std::string::npos) << sameDatabase;
    sameDatabase.replace(host, 16, "Server=localhost");
    sameTable = db->Owner() + ".t_src";
  } else if (GetParam() == Target::kMariaDb) {
    const std::size_t host = sameDatabase.find("Server=127.0.0.1");
    ASSERT_NE(host, std::string::npos) << sameDatabase;
    sameDatabase.replace(host, 16, "Server=127.1");
    sameTable = db->Owner() + ".t_src";
  } else {
    sameDatabase = testenv::SqliteConnStr(dir.path().string() + "/./run.db");
    sameTable = "main.t_src";
  }
  Rule rule = ScrambleRule(sameTable, "");
  rule.TargetConn.conStr = sameDatabase;
  h.project.rules = {rule};
  h.options.consoleMode = 1;
  Run();
  EXPECT_TRUE(h.prompt.Showed("Warning!", "Possible the Target table is same as Source. Continue anyway?"))
      << h.log.Text();
  EXPECT_EQ(Count("t_src"), "4");
  // Another table of the same database is no source.
  h.prompt.shown.clear();
  h.project.rules = {ScrambleRule("t_dst", "")};
  h.project.rules[0].TargetConn.conStr = sameDatabase;
  Run();
  EXPECT_FALSE(h.prompt.Showed("Warning!", "Possible the Target table is same as Source. Continue anyway?"));
  EXPECT_EQ(Count("t_dst"), "4") << h.log.Text();
  EXPECT_EQ(Count("t_src"), "4");
}

// A target made from the source's own definition takes every row: types the
// driver describes loosely, binary values byte for byte, identity columns
// the project file does not know of, and a table without a primary key.
TEST_P(ScrambleMode, TargetMadeFromTheSourceTakesEveryRow) {
  const bool mariadb = GetParam() == Target::kMariaDb;
  const std::string binaryType = postgres ? "bytea" : "blob";
  std::string create = "create table t_kinds(id integer " +
                       std::string(postgres  ? "generated always as identity"
                                   : mariadb ? "auto_increment primary key"
                                             : "primary key autoincrement") +
                       ", data " + binaryType + (mariadb ? ", label varchar(100)" : ", label varchar");
  if (postgres) create += ", flag boolean, doc json, tags text[], amount numeric";
  ASSERT_EQ(RunScript(*db, "drop table if exists t_kinds; " + create + ")"), 0);
  const std::string bytes = postgres ? "'\\x00ff10'::bytea" : "x'00ff10'";
  std::string insert = "insert into t_kinds(data, label" + std::string(postgres ? ", flag, doc, tags, amount" : "") +
                       ") values(" + bytes + ", 'a label longer than two hundred and fifty-five? no'";
  if (postgres) insert += ", true, '{\"k\": [1, 2]}', '{x,y}', 12345678901234567890.123456789";
  ASSERT_EQ(RunScript(*db, insert + ")"), 0);
  ASSERT_EQ(RunScript(*db, "insert into t_kinds(data) values(NULL)"), 0);

  Rule rule;
  rule.TabName = "t_kinds";
  rule.sTarget = "t_kinds_masked";
  rule.InsMode = kInsScramble;
  // As read from a project file: nothing says the id is an identity column.
  rule.Fields = {MakeColumn("id", 4, 10, kMethodIgnore), MakeColumn("data", -3, 255, kMethodIgnore),
                 MakeColumn("label", 12, 255, kMethodIgnore)};
  if (postgres) {
    rule.Fields.push_back(MakeColumn("flag", 12, 5, kMethodIgnore));
    rule.Fields.push_back(MakeColumn("doc", 12, 255, kMethodIgnore));
    rule.Fields.push_back(MakeColumn("tags", 12, 255, kMethodIgnore));
    rule.Fields.push_back(MakeColumn("amount", 2, 28, kMethodIgnore));
  }
  rule.TargetConn.ConType = CONN_INFO::kOdbc;
  rule.TargetConn.conStr = connStr;
  h.project.rules = {rule};
  h.options.RecreateScrambleTab = 1;
  Run();
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_EQ(summary.rulesFailed, 0) << h.log.Text();
  const std::string hex = postgres ? "encode(data, 'hex')" : "lower(hex(data))";
  std::string columns = "coalesce(" + hex + ", '<null>') || '|' || coalesce(label, '<null>')";
  if (postgres) columns += " || '|' || coalesce(flag::text || doc::text || tags::text || amount::text, '<null>')";
  const std::vector<std::string> source = Committed("select " + columns + " from t_kinds order by id");
  EXPECT_EQ(Committed("select " + columns + " from t_kinds_masked order by id"), source);
  ASSERT_EQ(source.size(), 2u);
  EXPECT_EQ(source[0].substr(0, 7), "00ff10|");
  if (postgres) {
    EXPECT_EQ(Committed("select format_type(atttypid, atttypmod) from pg_attribute where attrelid = "
                        "'t_kinds_masked'::regclass and attnum > 0 order by attnum"),
              (std::vector<std::string>{"integer", "bytea", "character varying", "boolean", "json", "text[]",
                                        "numeric"}));
  }
  RunScript(*db, "drop table t_kinds_masked; drop table t_kinds");
}

TEST_P(ScrambleMode, UnreachableTargetStopsTheRule) {
  Rule rule = ScrambleRule("t_dst", "");
  rule.TargetConn.conStr = "DRIVER={No Such Driver}";
  h.project.rules = {rule};
  Run();
  EXPECT_TRUE(h.prompt.Showed("Error", "Connection error (target database)"));
  EXPECT_TRUE(summary.stopped);
}

INSTANTIATE_TEST_SUITE_P(Targets, ScrambleMode, testing::Values(Target::kSqlite, Target::kPostgres, Target::kMariaDb), TargetName);

TEST(ScrambleTarget, SameDatabaseComparesWhatBothSettingsName) {
  testenv::TempDir dir;
  testenv::WriteFile(dir.file("a.db"), "");
  CONN_INFO one, two;
  one.ConType = two.ConType = CONN_INFO::kOdbc;
  one.conStr = "DRIVER=SQLite3;Database=" + dir.file("a.db") + ";FKSupport=1";
  two.conStr = "driver={SQLite3}; database=" + dir.path().string() + "/./a.db";
  EXPECT_TRUE(SameDatabase(one, two));
  two.conStr = "DRIVER=SQLite3;Database=" + dir.file("b.db");
  EXPECT_FALSE(SameDatabase(one, two));
  one.conStr = "DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=5432;Database=gen;Uid=a";
  two.conStr = "DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=5432;Database=gen;Uid=b;Pwd=x";
  EXPECT_TRUE(SameDatabase(one, two));
  two.conStr = "DRIVER={PostgreSQL Unicode};Server=127.0.0.1;Port=5433;Database=gen";
  EXPECT_FALSE(SameDatabase(one, two));
  two.conStr.clear();
  two.conDSN = "other";
  EXPECT_TRUE(SameDatabase(one, two));  // nothing in common to tell them apart
}

TEST(ScrambleTarget, CreatedNameIsReplacedWhateverItsQuoting) {
  const std::pair<std::string, std::string> cases[] = {
      {"CREATE TABLE t_src (", "CREATE TABLE \"new\" ("},
      {"CREATE TABLE \"s\".\"t src\"(id integer)", "CREATE TABLE \"new\"(id integer)"},
      {"create table if not exists [t](", "create table if not exists \"new\"("},
  };
  for (const auto& [line, expected] : cases) {
    std::string text = line;
    EXPECT_TRUE(ReplaceCreatedName(text, "\"new\""));
    EXPECT_EQ(text, expected);
  }
  std::string none = "CREATE VIEW";
  EXPECT_FALSE(ReplaceCreatedName(none, "x"));
}

}  // namespace
