// Row counts of data rules by their row-count mode, with the counting
// statements run against SQLite and PostgreSQL.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/Generator.h"
#include "tests/engine/RunTestEnv.h"

using namespace enginetest;
using namespace runtest;

namespace {

class RowCounts : public RunDatabase {
 protected:
  void SetUp() override {
    RunDatabase::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_EQ(RunScript(*db,
                        "insert into t_log values('a'); insert into t_log values('b');"
                        "insert into t_log values('c'); insert into t_log values('a')"),
              0);
    generator.Run(h.options);  // an empty project: the generator is set up for the connection
  }
  // The rows `rule` gets, its stored Records being 77.
  int Rows(Rule rule) {
    rule.Records = 77;
    generator.RowCount(rule);
    return rule.Records;
  }
  QuarnelGenerator generator;
};

TEST_P(RowCounts, StoredAndRandomCounts) {
  Rule rule = IdRule("t_run", 0, 0);
  EXPECT_EQ(Rows(rule), 77);
  rule.RcMode = kRcRandom;
  rule.RecordsFrom = 10;
  rule.RecordsTo = 10;
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Rows(rule), 10);
  rule.RecordsTo = 20;
  std::set<int> seen;
  for (int i = 0; i < 500; ++i) seen.insert(Rows(rule));
  EXPECT_EQ(*seen.begin(), 10);
  EXPECT_EQ(*seen.rbegin(), 19);
}

TEST_P(RowCounts, CountsFromTablesAndStatements) {
  Rule rule = IdRule("t_run", 0, 0);
  rule.RcMode = kRcSameAsTable;
  rule.CountTable = "t_log";
  EXPECT_EQ(Rows(rule), 4);
  rule.RcMode = kRcSql;
  rule.CountSQL = "select 2 * count(*) from t_log where what = 'a'";
  EXPECT_EQ(Rows(rule), 4);
  // Three distinct values, each giving 1 or 2 rows.
  rule.RcMode = kRcTableDriven;
  rule.CountColumn = "what";
  rule.RecordsFrom = 1;
  rule.RecordsTo = 3;
  std::set<int> seen;
  for (int i = 0; i < 300; ++i) seen.insert(Rows(rule));
  EXPECT_EQ(*seen.begin(), 3);
  EXPECT_EQ(*seen.rbegin(), 6);
}

TEST_P(RowCounts, FailingAndNegativeCountsAreShown) {
  Rule rule = IdRule("t_run", 0, 0);
  rule.RcMode = kRcSql;
  rule.CountSQL = "select count(*) from t_missing";
  EXPECT_EQ(Rows(rule), 77);
  EXPECT_TRUE(h.prompt.Showed("Execution error", "select count(*) from t_missing\r\n\r\n"));
  rule.CountSQL = "select -5";
  h.options.Rows = 12;
  generator.Run(h.options);
  EXPECT_EQ(Rows(rule), 12);
  EXPECT_TRUE(h.prompt.Showed("Warning!", "Wrong managed records value -5.\nSwitched to default value."));
}

INSTANTIATE_TEST_SUITE_P(Targets, RowCounts, testing::Values(Target::kSqlite, Target::kPostgres, Target::kMariaDb), TargetName);

}  // namespace
