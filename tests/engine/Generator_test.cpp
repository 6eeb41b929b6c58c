// The run driver: scripts, rule selection, pending console lines, disabled
// rules, cancel, single transaction, console mode and the rule kinds this
// build reports as not done.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "engine/Generator.h"
#include "tests/engine/RunTestEnv.h"

using namespace enginetest;
using namespace runtest;

namespace {

std::vector<std::string> Items(const RecordingConsole& console, int column) {
  std::vector<std::string> out;
  for (const auto& line : console.lines) out.push_back(line[column]);
  return out;
}

}  // namespace

TEST_P(RunDatabase, AllRulesDisabledStillRunTheProjectScripts) {
  h.project.sqlBefore = "insert into t_log values('prologue');";
  h.project.sqlAfter = "insert into t_log values('epilogue')\r\ngo\r\n";
  Rule a = IdRule("t_run", 3, 0);
  a.Enabled = 0;
  a.note = "first";
  Rule b = IdRule("t_two", 3, 0);
  b.Enabled = 0;
  h.project.rules = {a, b};
  Run();
  EXPECT_EQ(Committed("select what from t_log order by what"), (std::vector<std::string>{"epilogue", "prologue"}));
  EXPECT_EQ(Items(console, 0), (std::vector<std::string>{"Prologue SQL script (project)", "Epilogue SQL script (project)"}));
  EXPECT_EQ(Count("t_run"), "0");

  // With ConsoleShowsDisabled the disabled rules get their lines, between the scripts.
  console.lines.clear();
  h.options.ConsoleShowsDisabled = 1;
  Run();
  EXPECT_EQ(Items(console, 0), (std::vector<std::string>{"Prologue SQL script (project)", "t_run", "t_two",
                                                          "Epilogue SQL script (project)"}));
  EXPECT_EQ(Items(console, 1), (std::vector<std::string>{"Done", "Disabled", "Disabled", "Done"}));
  EXPECT_EQ(console.Item(1, kConsoleNote), "first");
  EXPECT_EQ(console.Item(3, kConsoleInserted), "1");
}

TEST_P(RunDatabase, RuleSelectionWithPendingLines) {
  h.options.ConsoleShowsPending = 1;
  h.options.ConsoleShowsDisabled = 1;
  h.project.sqlBefore = "insert into t_log values('prologue')";
  std::vector<Rule> rules;
  for (int i = 0; i < 6; ++i) rules.push_back(IdRule(i % 2 ? "t_two" : "t_run", 2, 0, 10 * i + 1));
  rules[2].sqlBefore = "insert into t_log values('rule 2 prologue')";
  rules[3].sqlAfter = "insert into t_log values('rule 3 epilogue')";
  rules[4].Enabled = 0;
  rules[5].sqlAfter = "insert into t_log values('rule 5 epilogue')";
  h.project.rules = rules;
  h.options.ruleSelection = {2, 5};
  Run();
  // Lines for the range 2..5: rule 2 with its prologue, 3 with its epilogue, 4 disabled, 5 with its epilogue.
  EXPECT_EQ(Items(console, 0),
            (std::vector<std::string>{"Prologue SQL script (project)", "Prologue SQL script (rule)", "t_run", "t_two",
                                      "t_two (epilogue)", "t_run", "t_two", "Epilogue SQL script (rule)"}));
  // The lines of rules 3 and 4, outside the selection, keep their first text.
  EXPECT_EQ(Items(console, 1), (std::vector<std::string>{"Done", "Done", "Done", "Pending...", "Pending...",
                                                          "Disabled", "Done", "Done"}));
  EXPECT_EQ(Committed("select id from t_run order by id"), (std::vector<std::string>{"21", "22"}));
  EXPECT_EQ(Committed("select id from t_two order by id"), (std::vector<std::string>{"51", "52"}));
  EXPECT_EQ(Count("t_log"), "3");
  EXPECT_EQ(console.headings.back(), " Execution console: 2 of 2 rules executed ");
}

TEST_P(RunDatabase, BlankScriptsAreNotRunAndShowNoLine) {
  h.options.LogLevel = 1;
  h.project.sqlBefore = "  \r\n\t ";
  h.project.sqlAfter = "\r\n";
  Rule rule = IdRule("t_run", 2, 0);
  rule.sqlBefore = " \t";
  rule.sqlAfter = "\n\n";
  h.project.rules = {rule};
  h.options.ConsoleShowsPending = 1;
  Run();
  EXPECT_EQ(Items(console, 0), std::vector<std::string>{"t_run"});
  EXPECT_EQ(console.Item(0, kConsoleState), "Done");
  EXPECT_EQ(h.log.Text().find("SQLExec"), std::string::npos);
}

TEST_P(RunDatabase, FailingPrologueStatementShowsTheErrorAndTheRuleRuns) {
  Rule rule = IdRule("t_run", 2, 0);
  rule.sqlBefore = "insert into no_such_table values(1); insert into t_log values('after')";
  h.project.rules = {rule, IdRule("t_two", 1, 0)};
  Run();
  EXPECT_TRUE(h.prompt.Showed("Error dialog", "no_such_table"));
  EXPECT_EQ(console.Item(0, kConsoleInserted), "1");
  EXPECT_EQ(console.Item(0, kConsoleRejected), "1");
  EXPECT_EQ(Count("t_run"), "2");
  EXPECT_EQ(Count("t_log"), "1");
  EXPECT_EQ(Count("t_two"), "1");

  // Cancel in the dialog stops the run after that rule; the project epilogue still runs.
  h.prompt.answers = {PromptAnswer::kCancel};
  h.project.sqlAfter = "insert into t_log values('epilogue')";
  h.project.rules = {rule, IdRule("t_two", 1, 100)};
  Run();
  EXPECT_TRUE(summary.cancelled);
  EXPECT_EQ(Committed("select id from t_two order by id"), std::vector<std::string>{"1"});
  EXPECT_EQ(Count("t_log"), "3");
}

TEST_P(RunDatabase, CancelDuringARuleCommitsWhatWasDoneAndRunsTheEpilogues) {
  h.project.sqlAfter = "insert into t_log values('project epilogue')";
  // Transactions of 30 rows: the cancel after row 100 leaves 10 rows to commit.
  Rule rule = IdRule("t_run", 100000, 30);
  rule.sqlAfter = "insert into t_log values('rule epilogue')";
  h.project.rules = {rule, IdRule("t_two", 5, 0)};
  console.hook = [&](int message, int number, const std::string&) {
    if (message == kProgressPos && number == 100) h.cancel = 1;
  };
  Run();
  EXPECT_TRUE(summary.cancelled);
  EXPECT_EQ(Count("t_run"), "100");
  EXPECT_EQ(Count("t_two"), "0");
  EXPECT_EQ(Count("t_log"), "2");
  EXPECT_EQ(console.Item(0, kConsoleState), "Terminated");
  EXPECT_EQ(console.Item(0, kConsoleInserted).substr(0, 4), "100 ");
  EXPECT_EQ(Items(console, 0), (std::vector<std::string>{"t_run", "Epilogue SQL script (rule)",
                                                          "Epilogue SQL script (project)"}));
}

TEST_P(RunDatabase, SingleTransactionRollsBackTheRunWhenAStatementFails) {
  ASSERT_EQ(RunScript(*db, "insert into t_two values(3, 'taken')"), 0);
  h.options.SingleTransaction = 1;
  h.project.sqlAfter = "insert into t_log values('epilogue')";
  h.project.rules = {IdRule("t_run", 4, 2), IdRule("t_two", 5, 0), IdRule("t_run", 2, 0, 50)};
  Run();
  EXPECT_EQ(Count("t_run"), "0");
  EXPECT_EQ(Committed("select id from t_two order by id"), std::vector<std::string>{"3"});
  EXPECT_EQ(Count("t_log"), "1");
  EXPECT_EQ(summary.rulesExecuted, 2);
  EXPECT_EQ(summary.rulesFailed, 1);
  // Both rules' rows went back: the reports say so, and count none as inserted.
  ASSERT_EQ(summary.lines.size(), 2u);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(summary.lines[k].state, "Rolled back") << k;
    EXPECT_EQ(summary.lines[k].inserted.substr(0, 1), "0") << k;
    EXPECT_EQ(console.Item(k, kConsoleState), "Rolled back") << k;
  }
  EXPECT_EQ(summary.inserted, 0u);

  // Without a failure the whole run is committed at its end.
  ASSERT_EQ(RunScript(*db, "delete from t_two; delete from t_log"), 0);
  Run();
  EXPECT_EQ(Count("t_run"), "6");
  EXPECT_EQ(Count("t_two"), "5");
  EXPECT_EQ(summary.rulesFailed, 0);
}

// What did not work makes the run a failed one: a prologue statement, a rule
// whose row count cannot be had (which then makes no rows).
TEST_P(RunDatabase, FailingScriptsAndRowCountsAreFailures) {
  h.project.sqlBefore = "insert into t_nosuch values(1)";
  Rule counted = IdRule("t_run", 5, 0);
  counted.RcMode = kRcSameAsTable;
  counted.CountTable = "t_nosuch";
  h.project.rules = {counted, IdRule("t_two", 2, 0)};
  h.prompt.answers = {PromptAnswer::kOk, PromptAnswer::kOk};
  Run();
  EXPECT_EQ(summary.scriptStatementsFailed, 1);
  EXPECT_EQ(summary.rulesFailed, 1);
  EXPECT_EQ(Count("t_run"), "0");
  EXPECT_EQ(console.Item(1, kConsoleState), "Error");  // the window's line of the rule, after the prologue's
  EXPECT_EQ(Count("t_two"), "2");
  ASSERT_EQ(summary.lines.size(), 2u);
  EXPECT_EQ(summary.lines[0].state, "Error");
}

TEST_P(RunDatabase, ConsoleModePrintsTheHeadingsAndEachRulesOutcome) {
  h.options.consoleMode = 1;
  Rule objects;
  objects.Mode = kRuleObjects;
  objects.TabName = "v_*";
  objects.nTables = 1;
  objects.OType = 9;
  h.project.rules = {IdRule("t_run", 3, 2), objects, IdRule("t_two", 2, 0)};
  Run();
  EXPECT_TRUE(console.lines.empty());
  ASSERT_EQ(console.text.size(), 9u);
  EXPECT_EQ(console.text[0], " Execution console: rule 1 of 3 running");
  EXPECT_EQ(console.text[1].rfind("Rule 0, inserted 3 (", 0), 0u) << console.text[1];
  EXPECT_NE(console.text[1].find(" r/s), rejected 0."), std::string::npos) << console.text[1];
  EXPECT_EQ(console.text[2], " Execution console: 1 of 3 rule executed ");
  // An objects rule of an unknown object type says so and counts as failed.
  EXPECT_EQ(console.text[4], "Error");
  EXPECT_EQ(console.text[5], " Execution console: 2 of 3 rules executed ");
  EXPECT_EQ(console.text[7].rfind("Rule 2, inserted 2 (", 0), 0u);
  EXPECT_EQ(summary.rulesFailed, 1);
  EXPECT_NE(h.log.Text().find("Unknown object type 9 of rule v_*"), std::string::npos);
  EXPECT_EQ(Count("t_run"), "3");
}

TEST_P(RunDatabase, VariablesAndRowCountsAreSetBeforeTheRules) {
  ASSERT_EQ(RunScript(*db, "insert into t_log values('a'); insert into t_log values('b')"), 0);
  h.project.localVars = {{"#n", "Database Query", "select count(*) from t_log", ""},
                         {"#c", "Constant", "fixed", ""}};
  Rule fromSql = IdRule("t_run", 0, 0);
  fromSql.RcMode = kRcSql;
  fromSql.CountSQL = "select 3*count(*) from t_log";
  Rule random = IdRule("t_two", 0, 0);
  random.RcMode = kRcRandom;
  random.RecordsFrom = 4;
  random.RecordsTo = 4;
  h.project.rules = {fromSql, random};
  Run();
  EXPECT_EQ(Count("t_run"), "6");
  EXPECT_EQ(Count("t_two"), "4");
  EXPECT_EQ(h.project.localVars[0].Value, "2");
  EXPECT_EQ(h.project.rules[0].Records, 0);  // the project keeps its stored count
}

TEST_P(RunDatabase, RulesWithoutGeneratorsStopTheRunWithoutEpilogue) {
  h.project.sqlAfter = "insert into t_log values('epilogue')";
  Rule scramble = IdRule("t_run", 2, 0);
  scramble.InsMode = kInsScramble;
  scramble.TargetConn.ConType = CONN_INFO::kOdbc;
  scramble.TargetConn.conStr = "DRIVER={No Such Driver}";
  h.project.rules = {scramble};
  Run();
  EXPECT_TRUE(h.prompt.Showed("Error", "Could not initialize rule"));
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(Count("t_log"), "0");
}

// Names that are SQL, or that only quoting keeps whole.
const std::vector<std::string> kHostileNames = {"x; drop table t_log; --", "Customer", "order items", "quote\"d",
                                               "Zoë", "a'b /* c"};

TEST_P(RunDatabase, ClearAndReplaceQuoteHostileTableNames) {
  // A name is never read as SQL: the victim table must survive, and each
  // oddly named table is the one emptied.
  const std::vector<std::string>& names = kHostileNames;
  ASSERT_EQ(RunScript(*db, "insert into t_log values('kept')"), 0);
  for (const std::string& name : names) {
    const std::string quoted = db->QuotedStr(name, 1);
    ASSERT_EQ(RunScript(*db, "create table " + quoted + "(id integer primary key, name varchar(20))"), 0) << name;
    ASSERT_EQ(RunScript(*db, "insert into " + quoted + " values(1000, 'old')"), 0) << name;
  }
  Rule clear;
  clear.Mode = kRuleClear;
  for (const std::string& name : names) clear.ClTab.push_back({name, 1});
  h.project.rules = {clear};
  Run();
  for (const std::string& name : names) EXPECT_EQ(Count(db->QuotedStr(name, 1)), "0") << name;
  EXPECT_EQ(Count("t_log"), "1");

  // Replace mode empties the rule's own table first.
  for (const std::string& name : names) {
    ASSERT_EQ(RunScript(*db, "insert into " + db->QuotedStr(name, 1) + " values(1000, 'old')"), 0) << name;
    Rule replace = IdRule(name, 2, 0);
    replace.InsMode = kInsReplace;
    h.project.rules = {replace};
    Run();
    EXPECT_EQ(Count(db->QuotedStr(name, 1)), "2") << name << "\n" << h.log.Text();
  }
  EXPECT_EQ(Count("t_log"), "1");
  for (const std::string& name : names) RunScript(*db, "drop table " + db->QuotedStr(name, 1));
}

// The connection names no owner: the one written in the rule still decides
// which table is filled.
TEST_P(RunDatabase, AnOwnerWrittenInTheRuleIsKept) {
  std::string owner = "main";
  const bool mariadb = GetParam() == enginetest::Target::kMariaDb;
  if (postgres) {
    owner = "q_Sales";
    ASSERT_EQ(RunScript(*db, "drop schema if exists \"q_Sales\" cascade; create schema \"q_Sales\";"
                             "create table \"q_Sales\".t_run(id integer primary key, name varchar(20))"),
              0);
  } else if (mariadb) {
    // Another database of the same server is MariaDB's owner.
    owner = db->Owner() + "_sales";
    ASSERT_EQ(RunScript(*db, "drop database if exists " + owner + "; create database " + owner + ";"
                             "create table " + owner + ".t_run(id integer primary key, name varchar(20))"),
              0);
  }
  Rule rule = IdRule(owner + ".t_run", 3, 0);
  Rule clear;
  clear.Mode = kRuleClear;
  clear.ClTab = {{owner + ".t_run", 1}};
  ASSERT_EQ(RunScript(*db, "insert into t_run values(1000, 'old')"), 0);
  h.project.rules = {clear, rule};
  Run();
  EXPECT_EQ(Count(db->QualifiedName(owner + ".t_run")), "3") << h.log.Text();
  if (postgres || mariadb) {
    EXPECT_EQ(Count("t_run"), "1");
    RunScript(*db, postgres ? "drop schema \"q_Sales\" cascade" : "drop database " + owner);
  }
}

// Every statement a rule sends names its table and columns through the one
// quoting function: row counts, inserts, updates, scramble source and target,
// linked tables, tables by template and objects all reach the oddly named
// table, and nothing else.
TEST_P(RunDatabase, EveryStatementKindQuotesHostileNames) {
  ASSERT_EQ(RunScript(*db, "insert into t_log values('kept')"), 0);
  const std::string column = "Full \"Name\"";
  for (const std::string& name : kHostileNames) {
    SCOPED_TRACE(name);
    const std::string table = db->QuotedStr(name, 1);
    const std::string masked = name + " masked";
    // In an object's name "*" and "?" stand for random characters.
    std::string view = name + " view";
    std::ranges::replace(view, '*', '_');
    ASSERT_EQ(RunScript(*db, "create table " + table + "(id integer primary key, " + db->QuotedStr(column, 1) +
                                 " varchar(20))"),
              0);
    ASSERT_EQ(RunScript(*db, "insert into " + table + " values(1000, 'old')"), 0);

    // Rows as many as the table holds, then all of them updated.
    Rule fill = IdRule(name, 0, 0);
    fill.Fields[1].Name = column;
    fill.RcMode = kRcSameAsTable;
    fill.CountTable = name;
    Rule update = fill;
    update.RcMode = 0;
    update.InsMode = kInsUpdate;
    update.Fields[0].Method = kMethodIgnore;
    update.Fields[1].Values = {"new"};
    update.Fields[1].Seqent = 0;
    Rule scramble = update;
    scramble.InsMode = kInsScramble;
    scramble.sTarget = masked;
    scramble.TargetConn.ConType = CONN_INFO::kOdbc;
    scramble.TargetConn.conStr = connStr;
    // A linked column reads the table's values into another table.
    Rule linked = IdRule("t_two", 2, 0, 1);
    linked.Fields[1] = MakeColumn("name", 12, 20, kMethodLinkedTable);
    linked.Fields[1].Table = name;
    linked.Fields[1].Column = column;
    // A table made from the rule's columns, then filled.
    Rule made = IdRule(view + " table", 2, 0);
    made.Mode = kRuleTables;
    made.nTables = 1;
    made.Fields[0].TypeName = "integer";
    made.Fields[1].Name = column;
    made.Fields[1].TypeName = "varchar";
    Rule object;
    object.Mode = kRuleObjects;
    object.TabName = view;
    object.nTables = 1;
    object.OText = "as select * from " + table;
    h.project.rules = {fill, update, scramble, linked, made, object};
    Run();
    EXPECT_EQ(summary.rejected, 0u) << h.log.Text();
    EXPECT_EQ(summary.rulesFailed, 0) << h.log.Text();
    const std::string named = " where " + db->QuotedStr(column, 1) + " = 'new'";
    EXPECT_EQ(Count(table + named), "2");
    EXPECT_EQ(Count(db->QuotedStr(masked, 1) + named), "2");
    EXPECT_EQ(Count(db->QuotedStr(view, 1) + named), "2");
    EXPECT_EQ(Committed("select count(*) from t_two where name = 'new'"), (std::vector<std::string>{"2"}));
    EXPECT_EQ(Count(db->QuotedStr(view + " table", 1)), "2");
    RunScript(*db, "drop table " + db->QuotedStr(view + " table", 1));
    RunScript(*db, "drop view " + db->QuotedStr(view, 1) + "; drop table " + db->QuotedStr(masked, 1) +
                       "; drop table " + table + "; delete from t_two");
  }
  EXPECT_EQ(Count("t_log"), "1");
}

TEST_P(RunDatabase, ClearRuleEmptiesTheSelectedTablesAndLeavesAutocommit) {
  h.project.rules = {IdRule("t_run", 4, 0), IdRule("t_two", 3, 0)};
  Run();
  ASSERT_EQ(Count("t_run"), "4");
  ASSERT_EQ(Count("t_two"), "3");

  Rule clear;
  clear.Mode = kRuleClear;
  clear.ClTab = {{"t_run", 1}, {"t_two", 0}};
  h.project.rules = {clear, IdRule("t_two", 2, 0, 100)};
  console.lines.clear();
  Run();
  EXPECT_EQ(Count("t_run"), "0");
  // The unselected table keeps its rows, and the rule after the clear rule
  // commits its rows although the last listed table was skipped.
  EXPECT_EQ(Count("t_two"), "5");
  EXPECT_EQ(console.Item(0, kConsoleState), "Done") << console.Item(0, kConsoleItem);
  EXPECT_EQ(console.Item(0, kConsoleItem), "Clearing 2 table(s)");
}
