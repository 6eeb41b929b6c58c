// Sample values of a column made by the engine, and the table-name cache,
// against a SQLite file.
#include <gtest/gtest.h>

#include "engine/RunOptions.h"
#include "quarnel/ColumnSamples.h"
#include "quarnel/TableNames.h"
#include "support/Odbc.h"
#include "tests/common/TestEnv.h"

namespace {

class SamplesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    info.conStr = testenv::SqliteConnStr(dir_.file("s.db"));
    ASSERT_TRUE(CDB::isOK(db_.Connect(info)));
    ASSERT_TRUE(CDB::isOK(db_.Exec("create table src (id integer primary key, name varchar(20))")));
    ASSERT_TRUE(CDB::isOK(db_.Exec("insert into src values (1, 'one'), (2, 'two')")));
    ASSERT_TRUE(CDB::isOK(db_.Exec("create view v_src as select * from src")));
    options_.connection = &db_;
    options_.project = &project_;
  }
  ColumnRule Column(const std::string& name, int method) {
    ColumnRule column;
    column.Name = name;
    column.TypeName = "varchar";
    column.iType = 12;
    column.iSize = 20;
    column.Method = method;
    return column;
  }
  testenv::TempDir dir_;
  CODBC db_;
  Project project_;
  RunOptions options_;
};

}  // namespace

TEST_F(SamplesTest, NamedGeneratorsGiveTheirValuesAsInARun) {
  ColumnRule greeting = Column("", kMethodPattern);
  greeting.NamedGen = "greet";
  greeting.Mask = "Hi";
  project_.namedGens = {greeting};
  Rule rule;
  rule.TabName = "src";
  ColumnRule called = Column("name", kMethodPattern);
  called.Mask = "$Call(greet)";
  rule.Fields = {called};
  const ColumnSampleResult result = SampleColumn(rule, 0, options_);
  EXPECT_EQ(result.error, "");
  EXPECT_EQ(result.values, std::vector<std::string>(5, "Hi"));
}

TEST_F(SamplesTest, ColumnsGiveFiveValuesOfTheirMethod) {
  Rule rule;
  rule.TabName = "target";
  rule.InsMode = kInsScramble;  // sampled without a target connection
  ColumnRule pattern = Column("code", kMethodPattern);
  pattern.Mask = "AA-NN";
  ColumnRule linked = Column("name", kMethodLinkedTable);
  linked.Table = "src";
  linked.Column = "name";
  ColumnRule list = Column("kind", kMethodValueList);
  list.Values = {"x"};
  list.UseNulls = 100;
  ColumnRule computed = Column("twice", kMethodComputed);
  computed.Mask = "$$(2 * 21)";
  rule.Fields = {pattern, linked, list, computed};

  const ColumnSampleResult codes = SampleColumn(rule, 0, options_);
  ASSERT_EQ(codes.values.size(), 5u) << codes.error;
  for (const std::string& value : codes.values) EXPECT_EQ(value.size(), 5u) << value;
  const ColumnSampleResult names = SampleColumn(rule, 1, options_);
  ASSERT_EQ(names.values.size(), 5u) << names.error;
  for (const std::string& value : names.values) EXPECT_TRUE(value == "one" || value == "two") << value;
  EXPECT_EQ(SampleColumn(rule, 2, options_).values, std::vector<std::string>(5, "NULL"));
  EXPECT_EQ(SampleColumn(rule, 3, options_).values.front(), "42");
  // Nothing was written anywhere.
  ASSERT_TRUE(CDB::isOK(db_.Exec("select count(*) from src")));
}

TEST_F(SamplesTest, EngineMessagesBecomeTheError) {
  Rule rule;
  ColumnRule bad = Column("bad", kMethodPattern);
  bad.Mask = "$NoSuchFunction(1)";
  ColumnRule missing = Column("missing", kMethodSql);
  missing.SQL = "select nothing from nowhere";
  rule.Fields = {bad, missing};
  EXPECT_NE(SampleColumn(rule, 0, options_).error.find("Wrong Pattern"), std::string::npos);
  EXPECT_FALSE(SampleColumn(rule, 1, options_).error.empty());
  EXPECT_EQ(SampleColumn(rule, 7, options_).error, "No such column");
}

TEST_F(SamplesTest, TableNamesAreCachedPerOptions) {
  TableNameCache cache;
  int loads = 0;
  cache.setStatus([&loads](const std::string& text) {
    EXPECT_EQ(text, "Loading schema...");
    ++loads;
  });
  std::vector<std::string> names;
  ASSERT_EQ(cache.Names(db_, {}, &names), 0);
  EXPECT_EQ(names, std::vector<std::string>{"src"});
  ASSERT_TRUE(CDB::isOK(db_.Exec("create table later (id integer)")));
  ASSERT_EQ(cache.Names(db_, {}, &names), 0);
  EXPECT_EQ(names, std::vector<std::string>{"src"});  // kept
  EXPECT_EQ(loads, 1);
  TableNameOptions withViews;
  withViews.views = true;
  ASSERT_EQ(cache.Names(db_, withViews, &names), 0);
  EXPECT_EQ(names, (std::vector<std::string>{"src", "later", "v_src"}));
  TableNameOptions notKept;
  notKept.keep = false;
  cache.Names(db_, notKept, &names);
  cache.Names(db_, notKept, &names);
  EXPECT_EQ(loads, 4);
  CODBC unconnected;
  ASSERT_EQ(cache.Names(unconnected, {}, &names), 0);
  EXPECT_TRUE(names.empty());
}
