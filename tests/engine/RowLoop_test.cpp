// The row loop: transactions of PerTrans rows, replace mode, bulk loads,
// counting only, rejected rows and the remaining-time text, checked through
// the console, the log, the SQL output and the database's own rows.
#include <gtest/gtest.h>

#include <string>

#include "engine/Generator.h"
#include "tests/engine/RunTestEnv.h"

using namespace enginetest;
using namespace runtest;

namespace {

struct RestCase {
  int64_t rest;
  double rate;
  const char* text;
};

class RemainingTime : public testing::TestWithParam<RestCase> {};

TEST_P(RemainingTime, IsSplitIntoItsLargestUnits) {
  std::string out = "x";
  AppendRemainingTime(out, GetParam().rest, GetParam().rate);
  EXPECT_EQ(out, std::string("x") + GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Texts, RemainingTime,
                         testing::Values(RestCase{3700, 1.0, ", Rest: 1 hr, 01 min, 40 sec"},
                                         RestCase{60, 1.0, ", Rest: 60 sec"},
                                         RestCase{61, 1.0, ", Rest: 1 min, 01 sec"},
                                         RestCase{3600, 1.0, ", Rest: 60 min, 00 sec"},
                                         RestCase{90061, 1.0, ", Rest: 1 days, 01 hr, 01 min, 01 sec"},
                                         RestCase{86461, 1.0, ", Rest: 24 hr, 01 min, 01 sec"},
                                         RestCase{2 * 86400 + 3 * 3600 + 4 * 60 + 5, 1.0,
                                                  ", Rest: 2 days, 03 hr, 04 min, 05 sec"},
                                         RestCase{1000, 2000.0, ""},  // below one second
                                         RestCase{0, 5.0, ""}, RestCase{-5, 5.0, ""},
                                         RestCase{100, 0.0, ""}));

}  // namespace

TEST_P(RunDatabase, ZeroRecordsIssueNoCommitAndLeaveAutocommit) {
  h.options.LogLevel = 1;
  h.project.ToFile = 1;
  h.project.AddCommit = 1;
  h.project.SQLFile = dir.file("out.sql");
  h.project.rules = {IdRule("t_run", 0, 5), IdRule("t_two", 4, 0)};
  Run();
  ASSERT_EQ(console.lines.size(), 2u);
  EXPECT_EQ(console.Item(0, kConsoleState), "Done");
  EXPECT_EQ(console.Item(0, kConsoleInserted).substr(0, 3), "0 (");
  EXPECT_EQ(CountOf(h.log.Text(), "Commit Exec"), 0);
  EXPECT_EQ(CountOf(testenv::ReadFile(dir.file("out.sql")), "COMMIT"), 0);
  // The rule after it runs in autocommit, so its rows are there for everyone.
  EXPECT_EQ(Count("t_two"), "4");
  EXPECT_EQ(summary.inserted, 4u);
}

TEST_P(RunDatabase, TransactionsOfPerTransRowsAndTheFinalCommit) {
  h.options.LogLevel = 1;
  h.project.ToFile = 1;
  h.project.AddCommit = 1;
  h.project.SQLFile = dir.file("out.sql");
  h.project.rules = {IdRule("t_run", 7, 3), IdRule("t_two", 6, 3)};
  Run();
  EXPECT_EQ(CountOf(h.log.Text(), "Commit Exec"), 3 + 2);
  const std::string sql = testenv::ReadFile(dir.file("out.sql"));
  // Commits after rows 3 and 6 and a final one for row 7.
  const size_t first = sql.find("COMMIT");
  ASSERT_NE(first, std::string::npos) << sql;
  EXPECT_EQ(CountOf(sql.substr(0, first), "insert into t_run"), 3);
  EXPECT_EQ(CountOf(sql, "COMMIT"), 5) << sql;
  EXPECT_EQ(Count("t_run"), "7");
  EXPECT_EQ(Count("t_two"), "6");
  EXPECT_EQ(Committed("select name from t_run where id = 3"), std::vector<std::string>{"O'Hara"});
  EXPECT_EQ(console.Item(1, kConsoleState), "Done");
  EXPECT_EQ(console.Item(1, kConsoleRejected), "0");
}

TEST_P(RunDatabase, AutocommitWithoutPerTransCommitsNothingItself) {
  h.options.LogLevel = 1;
  h.project.ToFile = 1;
  h.project.AddCommit = 1;
  h.project.SQLFile = dir.file("out.sql");
  h.project.rules = {IdRule("t_run", 5, 0)};
  Run();
  EXPECT_EQ(CountOf(h.log.Text(), "Commit Exec"), 0);
  EXPECT_EQ(CountOf(testenv::ReadFile(dir.file("out.sql")), "COMMIT"), 0);
  EXPECT_EQ(Count("t_run"), "5");
}

TEST_P(RunDatabase, ReplaceModeEmptiesTheTableAndGoesOnWhenItIsMissing) {
  ASSERT_EQ(RunScript(*db, "insert into t_run values(100, 'old')"), 0);
  Rule replace = IdRule("t_run", 3, 0);
  replace.InsMode = kInsReplace;
  Rule missing = IdRule("t_missing", 2, 0);
  missing.InsMode = kInsReplace;
  h.project.rules = {replace, missing};
  Run();
  EXPECT_EQ(Committed("select id from t_run order by id"), (std::vector<std::string>{"1", "2", "3"}));
  const std::string log = h.log.Text();
  EXPECT_NE(log.find("delete from t_missing"), std::string::npos) << log;
  EXPECT_NE(log.find("Clear table"), std::string::npos) << log;
  // The inserts of the missing table still ran, each one rejected.
  EXPECT_EQ(console.Item(1, kConsoleRejected), "2");
  EXPECT_EQ(summary.rejected, 2u);
}

TEST_P(RunDatabase, ConstraintFailuresAreRejectedAndTheRuleGoesOn) {
  ASSERT_EQ(RunScript(*db, "insert into t_run values(2, 'taken'); insert into t_run values(4, 'taken')"), 0);
  h.project.rules = {IdRule("t_run", 6, 2), IdRule("t_two", 2, 0)};
  Run();
  EXPECT_EQ(Count("t_run"), "6");  // 2 kept, 4 of 6 new rows inserted
  EXPECT_EQ(console.Item(0, kConsoleRejected), "2");
  EXPECT_EQ(console.Item(0, kConsoleInserted).substr(0, 2), "4 ");
  EXPECT_EQ(Count("t_two"), "2");
  EXPECT_NE(h.log.Text().find("insert into t_run(id,name) values(2,'beta')"), std::string::npos);
}

TEST_P(RunDatabase, CountingOnlyWritesFilesAndTouchesNoTable) {
  h.project.NoExec = 1;
  h.project.TxtDelimiter = ",";
  h.project.ToFile = 1;
  h.project.SQLFile = dir.file("out.sql");
  Rule fileRule = IdRule("t_two", 3, 2);
  fileRule.Mode = kRuleFile;
  fileRule.OutFileTXT = dir.file("two.txt");
  h.project.rules = {IdRule("t_run", 4, 2), fileRule};
  Run();
  EXPECT_EQ(Count("t_run"), "0");
  EXPECT_EQ(Count("t_two"), "0");
  EXPECT_EQ(summary.inserted, 7u);
  EXPECT_EQ(CountOf(testenv::ReadFile(dir.file("out.sql")), "insert into t_run(id,name) values("), 4);
  EXPECT_EQ(testenv::ReadFile(dir.file("two.txt")), "1,alpha\r\n2,beta\r\n3,O'Hara\r\n");
}

TEST_P(RunDatabase, EveryTextFormatLoadsTheSameRows) {
  // Counters and sequential lists must not move on for the sake of an output.
  std::vector<std::string> tables, scripts;
  for (const char* delimiter : {",", "<fixed length>", "<tab>"}) {
    ASSERT_EQ(RunScript(*db, "delete from t_run"), 0);
    const std::string name = "out" + std::to_string(tables.size());
    h.project.ToFile = 1;
    h.project.SQLFile = dir.file(name + ".sql");
    h.project.ToTxtFile = 1;
    h.project.TXTFile = dir.file(name + ".txt");
    h.project.TxtDelimiter = delimiter;
    h.project.rules = {IdRule("t_run", 4, 0)};
    Run();
    std::string table;
    for (const std::string& row : Committed("select id || '|' || name from t_run order by id")) table += row + "\n";
    tables.push_back(table);
    scripts.push_back(testenv::ReadFile(h.project.SQLFile));
    if (std::string_view(delimiter) == "<fixed length>") {
      // An integer takes 11 characters, right-aligned; varchar(20) 20, left-aligned.
      auto line = [](char id, std::string name) { return std::string(10, ' ') + id + name.append(20 - name.size(), ' ') + "\r\n"; };
      EXPECT_EQ(testenv::ReadFile(h.project.TXTFile),
                line('1', "alpha") + line('2', "beta") + line('3', "O'Hara") + line('4', "alpha"));
    }
  }
  EXPECT_EQ(tables[0], "1|alpha\n2|beta\n3|O'Hara\n4|alpha\n");
  EXPECT_EQ(tables[1], tables[0]);
  EXPECT_EQ(tables[2], tables[0]);
  EXPECT_EQ(scripts[1], scripts[0]);
  EXPECT_EQ(scripts[2], scripts[0]);
}

// Whatever the separator, Python's csv module reads back the header and every
// value as it was made: separators, quotes and line ends inside values included.
TEST_P(RunDatabase, TextFilesReadBackWithACsvReader) {
  const std::vector<std::string> values = {"tab\there", "two\r\nlines", "comma, here", "say \"hi\"", "semi;colon",
                                           "plain"};
  ASSERT_EQ(RunScript(*db, "create table t_text(" + db->QuotedStr("id,\tno", 1) + " integer, name varchar(20))"), 0);
  for (const auto& [setting, separator] : {std::pair{",", ","}, {"<tab>", "\t"}, {";", ";"}}) {
    h.project.ToTxtFile = 1;
    h.project.TXTFile = dir.file("out.txt");
    h.project.TruncateTXT = 1;
    h.project.TxtDelimiter = setting;
    h.project.TxtOutColumnNames = 1;
    Rule rule = IdRule("t_text", static_cast<int>(values.size()), 0);
    rule.Fields[0].Name = "id,\tno";
    rule.Fields[1].Values = values;
    h.project.rules = {rule};
    Run();
    ASSERT_EQ(summary.rejected, 0u) << h.log.Text();
    // The reader prints each field's bytes in hex, a row a line.
    const std::string script = dir.file("read.py");
    testenv::WriteFile(script,
                       "import csv, sys\n"
                       "for row in csv.reader(open(sys.argv[1], newline=''), delimiter=sys.argv[2]):\n"
                       "    print('|'.join(f.encode().hex() for f in row))\n");
    const std::string hexFile = dir.file("rows.txt");
    ASSERT_EQ(std::system(("python3 '" + script + "' '" + h.project.TXTFile + "' '" + separator + "' > '" + hexFile + "'").c_str()), 0);
    auto hex = [](const std::string& text) {
      std::string out;
      char digits[3];
      for (unsigned char c : text) {
        std::snprintf(digits, sizeof digits, "%02x", c);
        out += digits;
      }
      return out;
    };
    std::string expected = hex("id,\tno") + "|" + hex("name") + "\n";
    for (size_t i = 0; i < values.size(); ++i) expected += hex(std::to_string(i + 1)) + "|" + hex(values[i]) + "\n";
    EXPECT_EQ(testenv::ReadFile(hexFile), expected) << setting << "\n" << testenv::ReadFile(h.project.TXTFile);
  }
  RunScript(*db, "drop table t_text");
}

TEST_P(RunDatabase, BulkLoadsChunksWithTheHeaderOnlyInTheFirst) {
  h.options.UseBULK = 1;
  h.options.LogLevel = 1;
  h.project.TxtOutColumnNames = 1;
  Rule rule = IdRule("t_run", 10, 4);
  rule.OutFileTXT = dir.file("bulk.txt");
  h.project.rules = {rule};
  Run();
  const std::string log = h.log.Text();
  EXPECT_EQ(CountOf(log, "Bulk Exec"), 3) << log;
  if (postgres || GetParam() == enginetest::Target::kMariaDb) {
    // PostgreSQL loads each chunk by COPY, MariaDB by LOAD DATA.
    const char* load = postgres ? "copy t_run(id,name) from stdin" : "into table t_run character set utf8mb4 (id,name)";
    EXPECT_EQ(CountOf(log, load), 3) << log;
    EXPECT_EQ(Count("t_run"), "10");
    EXPECT_EQ(console.Item(0, kConsoleRejected), "0");
  } else {
    // SQLite has no bulk insert statement: each chunk is rejected whole.
    EXPECT_EQ(CountOf(log, "FIRSTROW=2,"), 1) << log;
    EXPECT_EQ(CountOf(log, "FIRSTROW=1,"), 2) << log;
    EXPECT_EQ(CountOf(log, "BULK INSERT"), 3) << log;
    EXPECT_EQ(console.Item(0, kConsoleRejected), "10");
  }
  const std::string text = testenv::ReadFile(dir.file("bulk.txt"));
  EXPECT_EQ(text.rfind("id\tname\r\n1\talpha\r\n", 0), 0u) << text;
  EXPECT_EQ(CountOf(text, "id\tname"), 1);
  EXPECT_EQ(CountOf(text, "\r\n"), 11);
}

TEST_P(RunDatabase, BulkWithAutocommitStopsTheRun) {
  h.options.UseBULK = 1;
  h.project.sqlAfter = "insert into t_log values('epilogue')";
  h.project.rules = {IdRule("t_run", 3, 0)};
  Run();
  EXPECT_TRUE(h.prompt.Showed("Warning!", "Bulk Insert mode is not compatible with autocommit."));
  EXPECT_TRUE(summary.stopped);
  EXPECT_EQ(Count("t_log"), "0");
}

TEST_P(RunDatabase, UnwritableOutputFilesAreLoggedAndTheRunGoesOn) {
  h.project.ToFile = 1;
  h.project.SQLFile = dir.file("no/such/folder/out.sql");
  h.project.ToXMLFile = 1;
  h.project.XMLFile = dir.file("no/such/folder/out.xml");
  Rule rule = IdRule("t_run", 5, 2);
  rule.OutFileTXT = dir.file("no/such/folder/out.txt");
  h.project.rules = {rule};
  Run();
  EXPECT_EQ(Count("t_run"), "5");
  EXPECT_EQ(summary.rejected, 0u);
  const std::string log = h.log.Text();
  // Each file fails once: logged once, counted once, the rule failed.
  EXPECT_EQ(CountOf(log, "Could not Open/Create TXT file '" + dir.file("no/such/folder/out.sql")), 1) << log;
  EXPECT_EQ(CountOf(log, dir.file("no/such/folder/out.txt")), 1) << log;
  EXPECT_EQ(CountOf(log, "Could not create XML file"), 1) << log;
  EXPECT_EQ(summary.outputFailures, 3);
  EXPECT_EQ(summary.rulesFailed, 1);
  EXPECT_EQ(console.Item(0, kConsoleState), "Error");
}

TEST_P(RunDatabase, ProgressReportsDoubleTheirIntervalAndShowTheRest) {
  h.options.ConsoleShowsRest = 1;
  int reports = 0;
  std::string lastCount;
  console.hook = [&](int message, int number, const std::string& text) {
    if (message == kSetCell && number % 100 == kConsoleInserted && text.find(" of 1000") != std::string::npos) {
      ++reports;
      lastCount = text;
    }
  };
  h.project.rules = {IdRule("t_run", 1000, 500)};
  Run();
  // Every 100 rows at first; any fast machine doubles the interval.
  EXPECT_GE(reports, 1);
  EXPECT_LE(reports, 10);
  EXPECT_NE(lastCount.find(" r/s) of 1000"), std::string::npos) << lastCount;
  EXPECT_EQ(Count("t_run"), "1000");
}

INSTANTIATE_TEST_SUITE_P(Targets, RunDatabase, testing::Values(Target::kSqlite, Target::kPostgres, Target::kMariaDb), TargetName);
