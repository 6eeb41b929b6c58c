// Update mode: existing rows get new values in place, found by their key.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Generator.h"
#include "tests/engine/RunTestEnv.h"

using namespace enginetest;
using namespace runtest;

namespace {

class UpdateMode : public RunDatabase {
 protected:
  void SetUp() override {
    RunDatabase::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    DropOwnTables();
    ASSERT_EQ(RunScript(*db,
                        "create table t_upd(code varchar(20) primary key, name varchar(20), note varchar(20), n integer);"
                        "insert into t_upd values('a1', 'old', 'keep1', 1);"
                        "insert into t_upd values('b2', 'old', 'keep2', 2);"
                        "insert into t_upd values('c3', 'old', NULL, 3);"
                        "create table t_nokey(code varchar(20), name varchar(20));"
                        "insert into t_nokey values('O''Hara', 'old');"
                        "insert into t_nokey values('O', 'old');"
                        "insert into t_nokey values('x'' or ''a''=''a', 'old');"
                        "insert into t_nokey values(NULL, 'old')"),
              0);
  }
  void TearDown() override {
    if (db && postgres && db->connected()) DropOwnTables();
    RunDatabase::TearDown();
  }
  void DropOwnTables() {
    for (const char* table : {"t_upd", "t_nokey"}) {
      db->Exec(std::string("drop table if exists ") + table);
      db->FreeStmt();
    }
  }
  // An update rule setting `name` to "new" and leaving `note` and `n` alone.
  static Rule UpdateRule(const std::string& table, const std::string& where) {
    Rule rule;
    rule.TabName = table;
    rule.InsMode = kInsUpdate;
    rule.UpdWhere = where;
    rule.Fields = {MakeColumn("code", 12, 20, kMethodIgnore), MakeColumn("name", 12, 20, kMethodValueList)};
    rule.Fields[1].Values = {"new"};
    if (table == "t_upd") {
      rule.Fields.push_back(MakeColumn("note", 12, 20, kMethodIgnore));
      rule.Fields.push_back(MakeColumn("n", 4, 10, kMethodIgnore));
    }
    return rule;
  }
  // "code|name" of every row of `table`, NULL codes as "<null>".
  std::vector<std::string> Rows(const std::string& table) {
    return Committed("select coalesce(code, '<null>') || '|' || name from " + table + " order by code");
  }
};

TEST_P(UpdateMode, ConditionChangesExactlyTheMatchingRowsAndKeepsTheirKeys) {
  h.project.rules = {UpdateRule("t_upd", "n >= 2")};
  Run();
  EXPECT_EQ(Rows("t_upd"), (std::vector<std::string>{"a1|old", "b2|new", "c3|new"}));
  EXPECT_EQ(console.Item(0, kConsoleState), "Done") << h.log.Text();
  EXPECT_EQ(summary.inserted, 2u);
  EXPECT_EQ(summary.rejected, 0u);
}

TEST_P(UpdateMode, IgnoreColumnsKeepTheirValues) {
  Rule rule = UpdateRule("t_upd", "");
  rule.Fields[3].Method = kMethodIncremental;
  rule.Fields[3].Start = "10";
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(Committed("select coalesce(note, '<null>') from t_upd order by code"),
            (std::vector<std::string>{"keep1", "keep2", "<null>"}));
  EXPECT_EQ(Committed("select n from t_upd order by n"), (std::vector<std::string>{"10", "11", "12"}));
  EXPECT_EQ(Rows("t_upd"), (std::vector<std::string>{"a1|new", "b2|new", "c3|new"}));
}

TEST_P(UpdateMode, KeyWithQuotesHitsExactlyItsRow) {
  Rule rule = UpdateRule("t_nokey", "code = 'x'' or ''a''=''a'");
  rule.updColumn = {"code"};
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(Committed("select name from t_nokey where code = 'x'' or ''a''=''a'"), (std::vector<std::string>{"new"}));
  EXPECT_EQ(Committed("select count(*) from t_nokey where name = 'old'"), (std::vector<std::string>{"3"}));

  rule.UpdWhere = "code = 'O''Hara'";
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(Committed("select name from t_nokey where code = 'O''Hara'"), (std::vector<std::string>{"new"}));
  EXPECT_EQ(Committed("select name from t_nokey where code = 'O'"), (std::vector<std::string>{"old"}));
  EXPECT_EQ(summary.inserted, 1u);
}

TEST_P(UpdateMode, KeyThatIsNotUniqueNeverReachesRowsOutsideTheCondition) {
  // "old" names every row: the update finds its rows by name and the condition.
  Rule rule = UpdateRule("t_upd", "code = 'b2'");
  rule.updColumn = {"name"};
  rule.Fields[0].Method = kMethodValueList;
  rule.Fields[0].Values = {"zz"};
  rule.Fields[1].Method = kMethodIgnore;
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(Rows("t_upd"), (std::vector<std::string>{"a1|old", "c3|old", "zz|old"}));
  EXPECT_EQ(summary.inserted, 1u);
}

TEST_P(UpdateMode, NullKeyIsFoundWithIsNull) {
  Rule rule = UpdateRule("t_nokey", "code is null");
  rule.updColumn = {"t_nokey.code"};
  h.project.rules = {rule};
  h.options.LogLevel = 1;
  Run();
  EXPECT_EQ(Committed("select name from t_nokey where code is null"), (std::vector<std::string>{"new"}));
  EXPECT_EQ(Committed("select count(*) from t_nokey where name = 'old'"), (std::vector<std::string>{"3"}));
  EXPECT_NE(h.log.Text().find("set name='new' where code is null"), std::string::npos) << h.log.Text();
}

TEST_P(UpdateMode, AnUpdateThatChangesNoRowIsRejected) {
  // MySQL and MariaDB count the rows an update finds, changed or not.
  if (GetParam() == Target::kMariaDb) GTEST_SKIP() << "MariaDB counts the rows an update finds";
  // The server runs each update but lets it change nothing.
  const char* ignore = postgres ? "create rule t_nokey_frozen as on update to t_nokey do instead nothing"
                                : "create trigger t_nokey_frozen before update on t_nokey begin select raise(ignore); end";
  ASSERT_TRUE(CDB::isOK(db->Exec(ignore))) << db->ErrorText();
  db->FreeStmt();
  Rule rule = UpdateRule("t_nokey", "code = 'O'");
  rule.updColumn = {"code"};
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(summary.inserted, 0u);
  EXPECT_EQ(summary.rejected, 1u);
  EXPECT_NE(h.log.Text().find("The update changed no row"), std::string::npos) << h.log.Text();
  EXPECT_EQ(Committed("select name from t_nokey where code = 'O'"), (std::vector<std::string>{"old"}));
}

TEST_P(UpdateMode, WithoutAKeyNothingChanges) {
  h.project.rules = {UpdateRule("t_nokey", "")};
  Run();
  EXPECT_EQ(Committed("select count(*) from t_nokey where name = 'old'"), (std::vector<std::string>{"4"}));
  EXPECT_NE(h.log.Text().find("No PK found and not defined by user"), std::string::npos) << h.log.Text();
  EXPECT_EQ(summary.inserted, 0u);
}

TEST_P(UpdateMode, KeyColumnMissingFromTheRuleChangesNothing) {
  Rule rule = UpdateRule("t_upd", "");
  rule.Fields.erase(rule.Fields.begin());
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(Rows("t_upd"), (std::vector<std::string>{"a1|old", "b2|old", "c3|old"}));
  const std::string log = h.log.Text();
  EXPECT_NE(log.find("Empty 'Where' clause found in Update mode"), std::string::npos) << log;
  EXPECT_NE(log.find("PKD[0]=code"), std::string::npos) << log;
  EXPECT_NE(log.find("Field[0]=name"), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(Targets, UpdateMode, testing::Values(Target::kSqlite, Target::kPostgres, Target::kMariaDb), TargetName);

}  // namespace
