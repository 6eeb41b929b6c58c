// Tables by template, objects and template names, run through the generator
// against SQLite and PostgreSQL and read back from the database.
#include <gtest/gtest.h>

#include <cctype>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "engine/Generator.h"
#include "tests/engine/RunTestEnv.h"

using namespace enginetest;
using namespace runtest;

namespace {

class StructuralRules : public RunDatabase {
 protected:
  void SetUp() override {
    RunDatabase::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    DropOwn();
  }
  void TearDown() override {
    if (db && postgres && db->connected()) DropOwn();
    RunDatabase::TearDown();
  }
  void DropOwn() {
    for (const char* statement : {"drop view if exists v_run", "drop table if exists t_tmpl"}) {
      db->Exec(statement);
      db->FreeStmt();
    }
  }
  // A rule making `count` tables named `name` with an id key and a name.
  static Rule TemplateRule(const std::string& name, int tables, int records) {
    Rule rule = IdRule(name, records, 0);
    rule.Mode = kRuleTables;
    rule.nTables = tables;
    rule.Fields[0].TypeName = "integer";
    rule.Fields[0].iSize = 0;
    rule.Fields[0].isKey = 1;
    rule.Fields[1].TypeName = "varchar";
    rule.Fields[1].isNull = 0;
    return rule;
  }
  static Rule ObjectRule(const std::string& name, int type, const std::string& text) {
    Rule rule;
    rule.Mode = kRuleObjects;
    rule.TabName = name;
    rule.nTables = 1;
    rule.OType = type;
    rule.OText = text;
    return rule;
  }
};

TEST_P(StructuralRules, TemplateTableIsCreatedAndFilled) {
  h.project.rules = {TemplateRule("t_tmpl", 1, 5)};
  h.project.ToFile = 1;
  h.project.SQLFile = dir.file("out.sql");
  Run();
  EXPECT_EQ(Count("t_tmpl"), "5") << h.log.Text();
  EXPECT_EQ(summary.rulesFailed, 0);
  EXPECT_EQ(summary.rejected, 0u);
  // The create statement counts, then the rows.
  EXPECT_EQ(summary.inserted, 6u);
  const std::string sql = testenv::ReadFile(dir.file("out.sql"));
  EXPECT_NE(sql.find("(\r\n   id integer primary key,\r\n   name varchar(20) NOT NULL)\r\n"), std::string::npos) << sql;
  // A key column refuses a second row with the same id.
  EXPECT_FALSE(CDB::isOK(db->Exec("insert into t_tmpl values(1, 'x')")));
  db->FreeStmt();
}

TEST_P(StructuralRules, TemplateNamesAndColumnsKeepTheirCase) {
  // PostgreSQL folds unquoted names: create and inserts must name the same table.
  Rule rule = TemplateRule("TT_Upper", 1, 3);
  rule.Fields[1].Name = "Full Name";
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_EQ(Count(db->QuotedStr("TT_Upper", 1)), "3");
  EXPECT_EQ(Committed("select count(" + db->QuotedStr("Full Name", 1) + ") from " + db->QuotedStr("TT_Upper", 1))[0], "3");
  RunScript(*db, "drop table " + db->QuotedStr("TT_Upper", 1));
}

TEST_P(StructuralRules, GeneratedTemplateNamesStartWithALetter) {
  h.project.rules = {TemplateRule("?*", 20, 2)};
  h.project.ToFile = 1;
  h.project.SQLFile = dir.file("out.sql");
  Run();
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_EQ(summary.inserted, 60u) << h.log.Text();
  const std::string sql = testenv::ReadFile(dir.file("out.sql"));
  // A name that is a reserved word ("to", "if") stands quoted: "..." or `...` on MySQL.
  const std::regex create("create table ([\"`]?)([^\"`(]+)\\1\\(");
  int tables = 0;
  for (auto it = std::sregex_iterator(sql.begin(), sql.end(), create); it != std::sregex_iterator(); ++it) {
    const std::string name = (*it)[2];
    EXPECT_TRUE(std::isalpha(static_cast<unsigned char>(name[0]))) << name;
    RunScript(*db, "drop table " + db->QuotedStr(name, 1));
    ++tables;
  }
  EXPECT_EQ(tables, 20) << sql;
}

TEST_P(StructuralRules, ReplaceModeDropsTheTableBeforeCreatingIt) {
  ASSERT_EQ(RunScript(*db, "create table t_tmpl(other integer)"), 0);
  Rule rule = TemplateRule("t_tmpl", 1, 3);
  h.project.rules = {rule};
  Run();
  // Without the drop the create fails and counts as rejected.
  EXPECT_EQ(summary.rejected, 1u);
  EXPECT_EQ(Count("t_tmpl"), "0");

  rule.InsMode = kInsReplace;
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_EQ(Committed("select name from t_tmpl order by id"), (std::vector<std::string>{"alpha", "beta", "O'Hara"}));
}

TEST_P(StructuralRules, NoExecWritesTheStatementsOnly) {
  h.project.rules = {TemplateRule("t_tmpl", 2, 2)};
  h.project.rules[0].InsMode = kInsReplace;
  h.project.NoExec = 1;
  h.project.ToFile = 1;
  h.project.SQLFile = dir.file("out.sql");
  Run();
  const std::string sql = testenv::ReadFile(dir.file("out.sql"));
  // Named as the rows' inserts name it.
  const std::string name = db->QualifiedName("t_tmpl");
  EXPECT_EQ(CountOf(sql, "drop table " + name + "\r\n"), 2) << sql;
  EXPECT_EQ(CountOf(sql, "create table " + name + "(\r\n"), 2) << sql;
  EXPECT_EQ(CountOf(sql, "insert into"), 4) << sql;
  EXPECT_FALSE(CDB::isOK(db->Exec("select * from t_tmpl")));
  db->FreeStmt();
}

TEST_P(StructuralRules, ObjectRuleCreatesAViewAndReplacesIt) {
  ASSERT_EQ(RunScript(*db, "insert into t_run values(1, 'one'); insert into t_run values(2, 'two')"), 0);
  Rule rule = ObjectRule("v_run", 0, "as select name from t_run where id > 1");
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(Committed("select name from v_run"), (std::vector<std::string>{"two"}));
  EXPECT_EQ(summary.inserted, 1u);

  // A second create of the same view fails unless replace mode drops it.
  rule.OText = "as select name from t_run where id = 1";
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(summary.rejected, 1u);
  rule.InsMode = kInsReplace;
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_EQ(Committed("select name from v_run"), (std::vector<std::string>{"one"}));
}

// Every kind the rule editor offers is carried out; an index takes no owner
// even where names are qualified with one.
TEST_P(StructuralRules, ObjectRuleCreatesAnIndexWithoutAnOwner) {
  db->setQualifyOwner(true);
  h.project.rules = {ObjectRule("Ix_Run", 5, "on t_run(name)")};
  Run();
  EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
  EXPECT_EQ(summary.inserted, 1u);
  const std::string onTable = GetParam() == Target::kMariaDb ? " on t_run" : "";  // MariaDB names the table too
  EXPECT_TRUE(CDB::isOK(db->Exec("drop index " + db->QuotedStr("Ix_Run", 1) + onTable))) << db->ErrorText();
  db->FreeStmt();
}

TEST_P(StructuralRules, UnknownObjectTypeFailsTheRuleWithoutAStatement) {
  h.project.rules = {ObjectRule("v_run", 7, "as select 1")};
  Run();
  EXPECT_EQ(summary.rulesFailed, 1);
  EXPECT_EQ(summary.inserted + summary.rejected, 0u);
}

INSTANTIATE_TEST_SUITE_P(Targets, StructuralRules, testing::Values(Target::kSqlite, Target::kPostgres, Target::kMariaDb), TargetName);

// Template names, on both kinds of connection.
class TemplateNames : public RunDatabase {};

TEST_P(TemplateNames, StarsAndQuestionMarksBecomeRandomCharacters) {
  QuarnelGenerator generator;
  h.options.project = &h.project;
  generator.Run(h.options);  // sets the run up: connection and random text
  std::set<size_t> lengths;
  for (int i = 0; i < 200; ++i) {
    const std::string star = generator.TemplateName("pre*");
    ASSERT_EQ(star.compare(0, 3, "pre"), 0) << star;
    const size_t added = star.size() - 3;
    ASSERT_GE(added, 1u) << star;
    ASSERT_LE(added, 8u) << star;
    lengths.insert(added);
    for (size_t k = 3; k < star.size(); ++k) ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(star[k]))) << star;
    const std::string one = generator.TemplateName("a?b");
    ASSERT_EQ(one.size(), 3u) << one;
    ASSERT_EQ(one.front(), 'a');
    ASSERT_EQ(one.back(), 'b');
  }
  EXPECT_EQ(lengths.size(), 8u);
  EXPECT_EQ(generator.TemplateName("plain"), "plain");
}

INSTANTIATE_TEST_SUITE_P(Targets, TemplateNames, testing::Values(Target::kSqlite, Target::kPostgres, Target::kMariaDb), TargetName);

}  // namespace
