// Database-backed fill methods and the round trip of generated values into
// SQLite and PostgreSQL and into the output files.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <set>
#include <string>
#include <vector>

#include "GenTmpl/VLibrary.h"
#include "engine/FillMethods.h"
#include "engine/Generator.h"
#include "engine/OutputFiles.h"
#include "tests/engine/EngineTestEnv.h"

using namespace enginetest;

namespace {

const std::vector<std::string> kHostile = {
    "O'Brien", "back\\slash\\", "semi;colon;", "line\r\nend\n", "-- comment", "/* open", "'", "''",
    "\"double\"", "a'); drop table t_values; --", "tab\there", "%s %n %d", "ünïcödé € 漢字", "N'x",
    "end'", "go"};

std::string Count(CDB& db, const std::string& sql) {
  const std::vector<std::string> v = Column(db, sql);
  return v.empty() ? "" : v[0];
}

}  // namespace

TEST_P(DemoDatabase, HostileValuesReachDatabaseAndFilesExactly) {
  ASSERT_EQ(RunScript(*db, "create table t_values(id integer, txt varchar(200))"), 0);
  h.project.ToFile = 1;
  h.project.SQLFile = dir.file("out.sql");
  h.project.StmtDelimiter = ";";
  h.project.TXTFile = dir.file("out.txt");
  h.project.ToXMLFile = 1;
  h.project.XMLFile = dir.file("out.xml");
  h.project.XMLType = 1;
  Rule rule;
  rule.TabName = "t_values";
  rule.Fields = {MakeColumn("id", 4, 10, kMethodIncremental), MakeColumn("txt", 12, 200, kMethodValueList)};
  rule.Fields[1].Values = kHostile;
  rule.Fields[1].Seqent = 1;
  std::string expectedText;
  {
    OutputFiles files(h.options);
    ASSERT_EQ(files.OpenProjectXml(), 0);
    RowGenerator generator(h.options, &files);
    ASSERT_EQ(generator.GenerateValues(rule), 0);
    files.OpenTable(rule);
    std::string values, line;
    for (int row = 1; row <= static_cast<int>(kHostile.size()); ++row) {
      ASSERT_EQ(generator.GenOneRowValues(values, row, line, "\t"), 0);
      const std::string insert = Harness::Insert(generator, db.get(), "t_values", values);
      EXPECT_TRUE(CDB::isOK(db->Exec(insert))) << db->ErrorText() << "\n" << insert;
      db->FreeStmt();
      files.WriteSQL(insert, &rule);
      files.WriteText(line, rule);
      // Quoted as CSV readers take it (another test reads such files back with one).
      expectedText += std::to_string(row) + "\t";
      AppendTextField(expectedText, kHostile[row - 1], "\t", false);
      expectedText += "\r\n";
    }
    files.CloseTable();
    files.CloseRuleFiles();
    files.CloseProjectXml();
  }
  EXPECT_EQ(Column(*db, "select txt from t_values order by id"), kHostile);
  EXPECT_EQ(testenv::ReadFile(dir.path() / "out.txt"), expectedText);

  // The script runs as it was written, statement by statement.
  ASSERT_EQ(RunScript(*db, "delete from t_values"), 0);
  EXPECT_EQ(RunScript(*db, testenv::ReadFile(dir.path() / "out.sql")), 0);
  EXPECT_EQ(Column(*db, "select txt from t_values order by id"), kHostile);

  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file((dir.path() / "out.xml").c_str()));
  std::vector<std::string> fromXml;
  for (pugi::xml_node row : doc.child("objects").child("Table").children("row")) {
    fromXml.push_back(row.child("txt").text().get());
  }
  ASSERT_EQ(fromXml.size(), kHostile.size());
  for (size_t i = 0; i < kHostile.size(); ++i) {
    if (kHostile[i].find('\r') != std::string::npos) continue;  // XML folds CR LF into LF
    EXPECT_EQ(fromXml[i], kHostile[i]) << i;
  }
}

// MySQL and MariaDB read backslashes in literals as escapes unless their
// sql_mode says NO_BACKSLASH_ESCAPES: either way every value, a NUL byte
// and every kind of value source included, reaches the table exactly.
TEST_P(DemoDatabase, HostileValuesReachMariaDbInEitherBackslashMode) {
  if (GetParam() != Target::kMariaDb) GTEST_SKIP() << "MariaDB only";
  std::vector<std::string> values = kHostile;
  values.push_back(std::string("nul\0byte", 8));
  values.push_back("\\'");
  values.push_back("\\");
  testenv::WriteFile(dir.path() / "values.txt", "back\\slash\nit's \\' here\n");
  for (const char* mode : {"", "NO_BACKSLASH_ESCAPES"}) {
    SCOPED_TRACE(mode);
    const std::string connStr =
        testenv::MariaDbConnStr() + ";InitStmt={set sql_mode=concat(@@sql_mode, '," + mode + "')}";
    std::unique_ptr<CDB> target = Connect(connStr);
    ASSERT_TRUE(target);
    EXPECT_EQ(target->backslashEscapes(), *mode == '\0');
    ASSERT_EQ(RunScript(*target, "drop table if exists t_values; create table t_values(id integer, txt varchar(200), "
                                 "copied varchar(200), line varchar(200))"),
              0);
    h.options.connection = target.get();
    Rule rule;
    rule.TabName = "t_values";
    rule.Records = static_cast<int>(values.size());
    rule.Fields = {MakeColumn("id", 4, 10, kMethodIncremental), MakeColumn("txt", 12, 200, kMethodValueList),
                   MakeColumn("copied", 12, 200, kMethodPattern), MakeColumn("line", 12, 200, kMethodDiskFile)};
    rule.Fields[1].Values = values;
    rule.Fields[1].Seqent = 1;
    rule.Fields[2].Mask = "@'txt'";
    rule.Fields[3].FileName = dir.file("values.txt");
    rule.Fields[3].Seqent = 1;
    h.project.rules = {rule};
    QuarnelGenerator generator;
    generator.Run(h.options);
    EXPECT_EQ(generator.Summary().rejected, 0u) << h.log.Text();
    EXPECT_EQ(Column(*target, "select txt from t_values order by id"), values);
    EXPECT_EQ(Column(*target, "select copied from t_values order by id"), values);
    const std::vector<std::string> lines = Column(*target, "select line from t_values order by id");
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "back\\slash");
    EXPECT_EQ(lines[1], "it's \\' here");
    RunScript(*target, "drop table t_values");
  }
}

TEST_P(DemoDatabase, DemoRulesFillEveryTable) {
  Project demo = LoadDemo();
  for (ProjectVariable& variable : demo.localVars) variable.Value = variable.Def;  // as the run's set-up does
  h.project = demo;
  VLibrary library;
  ASSERT_EQ(library.Open(WriteDemoLibrary(dir), h.log.log()), 0);
  h.options.library = &library;
  const std::string examples = (testenv::SourceDir() / "examples").string();
  struct Step {
    const char* table;
    int rows;
  };
  for (const Step step : {Step{"categories", 6}, Step{"customers", 200}, Step{"products", 100}, Step{"orders", 150},
                          Step{"order_lines", 200}, Step{"payments", 300}}) {
    Rule rule = DemoRule(demo, step.table);
    for (ColumnRule& column : rule.Fields) {
      if (!column.FileName.empty()) column.FileName = examples + "/" + column.FileName;
      // OneRandom takes the ODBC 2 timestamp code only.
      if (column.iType == 93 && column.Method == kMethodRandom) column.iType = 11;
    }
    RowGenerator generator(h.options, nullptr);
    ASSERT_EQ(generator.GenerateValues(rule), 0) << step.table;
    EXPECT_EQ(Fill(generator, step.table, step.rows), 0) << step.table << ": " << lastError;
    EXPECT_EQ(Count(*db, std::string("select count(*) from ") + step.table), std::to_string(step.rows));
  }
  // Value List in order; the description comes from the library's phrases.
  EXPECT_EQ(Column(*db, "select name from categories order by category_id"),
            (std::vector<std::string>{"Books", "Garden", "Kitchen", "Music", "Sports", "Toys"}));
  for (const std::string& d : Column(*db, "select description from categories")) {
    EXPECT_TRUE(d == "<null>" || d == "A phrase.") << d;
  }
  EXPECT_FALSE(h.prompt.Showed("Warning!", "Column 3 is not compatible with Library item 'Phrases'"));
  // Library names, a file's lines, list usages, a self link filled as rows arrive.
  for (const std::string& n : Column(*db, "select last_name from customers")) {
    EXPECT_TRUE(n == "O'Brien" || n == "Smith") << n;
  }
  const std::string cities = testenv::ReadFile(examples + "/demo-cities.txt");
  for (const std::string& city : Column(*db, "select city from customers")) {
    EXPECT_NE(cities.find(city + "\n"), std::string::npos) << city;
  }
  EXPECT_EQ(Count(*db, "select count(*) from customers where country_code not in ('US','GB','DE','FR','NL')"), "0");
  EXPECT_GT(std::stoi(Count(*db, "select count(*) from customers where country_code = 'US'")), 50);
  EXPECT_GT(std::stoi(Count(*db, "select count(*) from customers where referred_by is not null")), 20);
  EXPECT_EQ(Count(*db, "select count(distinct email) from customers"), "200");
  // Incremental with a format, a named generator's list, a linked key.
  EXPECT_EQ(Column(*db, "select sku from products order by product_id").front(), "SKU0000001");
  EXPECT_EQ(Count(*db, "select count(*) from products where name not in ('Classic','Deluxe','Compact','Eco','Pro','Mini')"), "0");
  EXPECT_EQ(Count(*db, "select count(*) from products where category_id not in (select category_id from categories)"), "0");
  // Incremental dates, three orders a day from the day after the start.
  const std::vector<std::string> dates = Column(*db, "select order_date from orders order by order_id");
  EXPECT_EQ(dates[0], "2024-01-02");
  EXPECT_EQ(dates[2], "2024-01-02");
  EXPECT_EQ(dates[3], "2024-01-03");
  // The key group: each line's price is its product's price.
  EXPECT_EQ(Count(*db, "select count(*) from order_lines l join products p on p.product_id = l.product_id "
                       "where l.unit_price <> p.price"), "0");
  EXPECT_EQ(Count(*db, "select count(distinct order_id) from order_lines"), "100");
  EXPECT_EQ(Count(*db, "select max(quantity) from order_lines"), "10");
  // A Disk File group: method and reference come from one line.
  EXPECT_EQ(Count(*db, "select count(*) from payments where not ((method = 'card' and reference = 4000123412341234) "
                       "or (method = 'transfer' and reference = 100200300) or (method = 'cash' and reference = 0) or (method = 'voucher' and reference = 777000111))"),
            "0");
  EXPECT_EQ(Count(*db, "select count(*) from payments where order_id in (select order_id from orders where status = 'NEW')"),
            "0");
}

TEST_P(DemoDatabase, AfterLastStartsAfterTheLargestValue) {
  ASSERT_EQ(RunScript(*db, "create table t_inc(n integer, s varchar(10)); insert into t_inc values(41, 'a'); "
                           "insert into t_inc values(5, 'b')"),
            0);
  Rule rule;
  rule.TabName = "t_inc";
  rule.Fields = {MakeColumn("n", 4, 10, kMethodIncremental)};
  rule.Fields[0].AfterLast = 1;
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(rule), 0);
  EXPECT_EQ(generator.Columns()[0].Start, "42");
  ASSERT_EQ(Fill(generator, "t_inc", 2), 0);
  EXPECT_EQ(Column(*db, "select n from t_inc order by n"), (std::vector<std::string>{"5", "41", "42", "43"}));
  ASSERT_EQ(RunScript(*db, "delete from t_inc"), 0);
  RowGenerator empty(h.options, nullptr);
  ASSERT_EQ(empty.GenerateValues(rule), 0);
  EXPECT_EQ(empty.Columns()[0].Start, "1");
}

TEST_P(DemoDatabase, SqlStatementValueListAndFailure) {
  ASSERT_EQ(RunScript(*db, "insert into categories(name) values('A'); insert into categories(name) values('B')"), 0);
  Rule rule;
  rule.TabName = "x";
  rule.Fields = {MakeColumn("single", 12, 10, kMethodSql), MakeColumn("list", 12, 10, kMethodSql),
                 MakeColumn("bad", 12, 10, kMethodSql)};
  rule.Fields[0].SQL = "select name from categories where name = 'B'";
  rule.Fields[1].SQL = "select name from categories order by name";
  rule.Fields[1].asList = 1;
  rule.Fields[1].Seqent = 1;
  rule.Fields[2].SQL = "select no_such_column from categories";
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(rule), 0);
  h.prompt.answers = {PromptAnswer::kCancel};
  h.prompt.dontShowAgainAnswer = true;
  std::string values, line;
  ASSERT_EQ(generator.GenOneRowValues(values, 1, line, ","), 0);
  EXPECT_EQ(values, "'B','A',''");
  EXPECT_EQ(h.cancel.load(), 1);
  EXPECT_FALSE(generator.ShowErrors());
  h.cancel = 0;
  ASSERT_EQ(generator.GenOneRowValues(values, 2, line, ","), 0);
  EXPECT_EQ(values, "'B','B',''");
  size_t dialogs = 0;
  for (const auto& shown : h.prompt.shown) dialogs += shown.caption == "Error dialog";
  EXPECT_EQ(dialogs, 1u);
  EXPECT_NE(h.log.Text().find("select no_such_column from categories"), std::string::npos);
}

TEST_P(DemoDatabase, ColumnConnectionFailureFailsTheRow) {
  Rule rule;
  rule.TabName = "x";
  rule.Fields = {MakeColumn("v", 4, 10, kMethodLinkedTable)};
  rule.Fields[0].Table = "categories";
  rule.Fields[0].Column = "category_id";
  rule.Fields[0].ConType = CONN_INFO::kOdbc;
  rule.Fields[0].conStr = "DRIVER=NoSuchDriver;Database=nowhere";
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(rule), 0);
  std::string values, line;
  EXPECT_EQ(generator.GenOneRowValues(values, 1, line, ","), kRowColumnConnection);
  EXPECT_TRUE(h.prompt.Showed("Connection error", "Field 'v'<-'categories'"));
}

TEST_P(DemoDatabase, EmptyLinkedTableForNotNullColumnWarns) {
  Rule rule;
  rule.TabName = "products";
  rule.Fields = {MakeColumn("category_id", 4, 10, kMethodLinkedTable)};
  rule.Fields[0].Table = "categories";
  rule.Fields[0].Column = "category_id";
  rule.Fields[0].isNull = 0;
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(rule), 0);
  std::string values, line;
  ASSERT_EQ(generator.GenOneRowValues(values, 1, line, ","), 0);
  EXPECT_EQ(values, "NULL");
  EXPECT_TRUE(h.prompt.Showed("Warning!", "Linked table 'categories' is empty and\ncolumn products.category_id is NOT NULL."));
}

TEST_P(DemoDatabase, UnicodePrefixIsLeftOutForThisServer) {
  ASSERT_EQ(RunScript(*db, "create table t_wide(w varchar(20))"), 0);
  Rule rule;
  rule.TabName = "t_wide";
  rule.Fields = {MakeColumn("w", -9, 20, kMethodValueList)};
  rule.Fields[0].Values = {"Zoë's"};
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(rule), 0);
  ASSERT_EQ(Fill(generator, "t_wide", 1), 0) << lastError;
  EXPECT_EQ(generator.Field(0).final, "'Zoë''s'");
  EXPECT_EQ(Column(*db, "select w from t_wide"), (std::vector<std::string>{"Zoë's"}));
}

INSTANTIATE_TEST_SUITE_P(Targets, DemoDatabase, testing::Values(Target::kSqlite, Target::kPostgres, Target::kMariaDb), TargetName);

TEST_P(DemoDatabase, LinkedTableThroughTheColumnsOwnConnectionAndFromLinked) {
  ASSERT_EQ(RunScript(*db, "insert into categories(name) values('A'); insert into categories(name) values('B'); "
                           "insert into categories(name) values('C')"),
            0);
  Rule rule;
  rule.TabName = "x";
  rule.Fields = {MakeColumn("v", 12, 10, kMethodLinkedTable)};
  rule.Fields[0].Table = "categories";
  rule.Fields[0].Column = "name";
  static_cast<CONN_INFO&>(rule.Fields[0]) = db->Info();
  h.options.connection = nullptr;  // only the column's own connection is there
  h.options.FromLinked = 2;        // "select distinct ... order by": A and B
  RowGenerator generator(h.options, nullptr);
  ASSERT_EQ(generator.GenerateValues(rule), 0);
  std::set<std::string> seen;
  std::string values, line;
  for (int row = 1; row <= 40; ++row) {
    ASSERT_EQ(generator.GenOneRowValues(values, row, line, ","), 0);
    seen.insert(values);
  }
  EXPECT_EQ(seen, (std::set<std::string>{"'A'", "'B'"}));
}

TEST_P(DemoDatabase, ScrambleTargetIsConnectedAndCheckedAgainstTheSource) {
  Rule rule;
  rule.TabName = "categories";
  rule.sTarget = "categories";
  rule.InsMode = kInsScramble;
  rule.TargetConn = db->Info();
  {
    RowGenerator generator(h.options, nullptr);
    h.prompt.answers = {PromptAnswer::kNo};
    EXPECT_EQ(generator.GenerateValues(rule), kRowSameTarget);
    EXPECT_TRUE(h.prompt.Showed("Warning!", "Possible the Target table is same as Source. Continue anyway?"));
    EXPECT_EQ(generator.ScrambleTarget(), nullptr);
    h.prompt.answers = {PromptAnswer::kYes};
    ASSERT_EQ(generator.GenerateValues(rule), kRowOk);
    ASSERT_NE(generator.ScrambleTarget(), nullptr);
    EXPECT_TRUE(generator.ScrambleTarget()->connected());
  }
  rule.TargetConn.conStr = "DRIVER=NoSuchDriver;Database=nowhere";
  RowGenerator generator(h.options, nullptr);
  EXPECT_EQ(generator.GenerateValues(rule), kRowTargetConnection);
  EXPECT_TRUE(h.prompt.Showed("Error", "Connection error (target database)"));
}
