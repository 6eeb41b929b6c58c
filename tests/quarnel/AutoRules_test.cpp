// Rules built from a schema: the column defaults by type, name and check
// constraint (no database needed), and the table order, key cycles and rule
// refreshes against SQLite and PostgreSQL.
#include <gtest/gtest.h>

#include <sql.h>
#include <sqlext.h>
#include <unistd.h>

#include <algorithm>

#include "engine/Generator.h"
#include "engine/RunOptions.h"
#include "project/ProjectDocument.h"
#include "quarnel/AutoRules.h"
#include "support/Log.h"
#include "support/Odbc.h"
#include "support/Prompt.h"
#include "tests/common/TestEnv.h"

namespace {

class RecordingPrompt : public Prompt {
 public:
  void Message(std::string_view caption, std::string_view text, PromptIcon) override {
    messages.push_back(std::string(caption) + "|" + std::string(text));
  }
  PromptAnswer Ask(std::string_view caption, std::string_view text, PromptIcon, PromptButtons,
                   PromptAnswer) override {
    messages.push_back(std::string(caption) + "|" + std::string(text));
    return answer;
  }
  std::vector<std::string> messages;
  PromptAnswer answer = PromptAnswer::kYes;
};

FLD_DESC Column(const std::string& name, int type, const std::string& typeName, int size = 0, int digits = 0,
                int nullable = 1) {
  FLD_DESC f;
  f.Name = name;
  f.iType = static_cast<int16_t>(type);
  f.TypeName = typeName;
  f.iSize = size;
  f.iDigits = static_cast<int16_t>(digits);
  f.isNull = static_cast<int16_t>(nullable);
  return f;
}

// ---- Column defaults, without a database ----------------------------------

class ColumnDefaultsTest : public ::testing::Test {
 protected:
  ColumnRule Make(const FLD_DESC& f, const std::vector<FK_DESC>& keys = {},
                  const std::vector<std::string>& checks = {}) {
    AutoRules rules(db, settings, &log, &prompt);
    rule.Fields.clear();
    rules.DefaultColumnRule(rule, f, keys, 0, checks);
    return rule.Fields.back();
  }
  CODBC db;  // not connected: server kind "other"
  AutoRuleSettings settings;
  CLog log;
  RecordingPrompt prompt;
  Rule rule;
};

struct TypeCase {
  FLD_DESC column;
  int method;
  const char* low;
  const char* high;
  const char* format;
};

class TypeRowsTest : public ColumnDefaultsTest, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(TypeRowsTest, DefaultsFollowTheType) {
  const TypeCase& c = GetParam();
  settings.YearFrom = 1960;
  settings.YearTo = 2010;
  settings.DateFormat = "DD/MM/YYYY";
  settings.TimeFormat = "HH:MM:SS";
  settings.DefDigits = 3;
  ColumnRule r = Make(c.column);
  EXPECT_EQ(r.Method, c.method) << c.column.Name;
  EXPECT_EQ(r.LowRange, c.low) << c.column.Name;
  EXPECT_EQ(r.HighRange, c.high) << c.column.Name;
  EXPECT_EQ(r.sFormat, c.format) << c.column.Name;
}

INSTANTIATE_TEST_SUITE_P(
    Types, TypeRowsTest,
    ::testing::Values(TypeCase{Column("d", SQL_TYPE_DATE, "date"), 0, "01/01/1960", "31/12/2010", "%d"},
                      TypeCase{Column("d", SQL_DATE, "date"), 0, "01/01/1960", "31/12/2010", "%d"},
                      TypeCase{Column("t", SQL_TYPE_TIME, "time"), 0, "00:00:00", "23:59:59", "%d"},
                      TypeCase{Column("dec", SQL_DECIMAL, "decimal", 10, 2), 0, "", "99999999", "%10.2f"},
                      TypeCase{Column("dec", SQL_DECIMAL, "decimal", 20, 2), 0, "", "", "%20.2f"},
                      TypeCase{Column("n", SQL_NUMERIC, "numeric", 5, 0), 0, "", "99999", "%d"},
                      TypeCase{Column("f", SQL_REAL, "real"), 0, "", "", "%f"},
                      TypeCase{Column("f", SQL_DOUBLE, "REAL"), 0, "", "", "%f"},
                      TypeCase{Column("pct", SQL_NUMERIC, "numeric", 2, 2), 0, "", "0.99", "%2.2f"},
                      TypeCase{Column("s", SQL_SMALLINT, "smallint"), 0, "", "32766", "%d"},
                      TypeCase{Column("s", SQL_TINYINT, "tinyint"), 0, "", "255", "%d"},
                      TypeCase{Column("b", SQL_BIT, "bit"), 0, "", "1", "%d"},
                      TypeCase{Column("v", SQL_VARCHAR, "varchar", 40), 0, "1", "40", "%d"},
                      TypeCase{Column("v", SQL_VARCHAR, "varchar", 9000), 0, "1", "4096", "%d"},
                      TypeCase{Column("c", SQL_LONGVARCHAR, "text", 0), 0, "1", "1024", "%d"},
                      TypeCase{Column("i", SQL_INTEGER, "integer", 10), 0, "1", "", "%d"},
                      TypeCase{Column("g", SQL_GUID, "uuid", 36), 7, "", "", "%d"},
                      TypeCase{Column("x", -152, "xml"), 2, "", "", "%d"}));

TEST_F(ColumnDefaultsTest, FloatWithoutDigitsTakesDefDigits) {
  settings.DefDigits = 3;
  EXPECT_EQ(Make(Column("f", SQL_FLOAT, "float")).iDigits, 3);
  EXPECT_EQ(Make(Column("f", SQL_FLOAT, "float", 15, 2)).iDigits, 2);
}

TEST_F(ColumnDefaultsTest, LengthRuleKeepsLowBelowHigh) {
  settings.StringLen = 5;
  ColumnRule r = Make(Column("code", SQL_CHAR, "char", 2));
  EXPECT_EQ(r.HighRange, "2");
  EXPECT_EQ(r.LowRange, "2");
  settings.StringLen = 0;
  EXPECT_EQ(Make(Column("code", SQL_CHAR, "char", 2)).LowRange, "0");
}

TEST_F(ColumnDefaultsTest, SpecialTypesGetTheirPatternOrList) {
  ColumnRule guid = Make(Column("g", SQL_GUID, "uniqueidentifier", 36));
  EXPECT_EQ(guid.Mask, "XXXXXXXX-XXXX-4XXX-<8|9|\\A|B>XXX-XXXXXXXXXXXX");
  ColumnRule xml = Make(Column("x", -152, "xml"));
  ASSERT_EQ(xml.Values.size(), 1u);
  EXPECT_EQ(xml.Values[0], "<?xml version=\"1.0\" encoding=\"utf-8\"?><empty/>");
  ColumnRule geo = Make(Column("shape", -151, "Geography"));
  EXPECT_EQ(geo.Method, kMethodPattern);
  EXPECT_EQ(geo.NoQuotas, 1);
  EXPECT_EQ(geo.Mask, "geogr\\aphy::Point(-NN.NNN00, NN.NNN00, 4326)");
  EXPECT_EQ(Make(Column("p", -151, "geometry")).Mask, "geometry::STGeomFromText('PO\\I\\NT(NN NN)',0)");
  EXPECT_EQ(Make(Column("h", -151, "hierarchyid")).Mask, "hier\\archyid::GetRoot()");
}

TEST_F(ColumnDefaultsTest, UniqueLibraryColumnsCanGiveEveryRowItsOwnValue) {
  // About forty departments cannot fill a thousand unique rows: the library
  // value takes a number after it, and a column too narrow for one stays random.
  AutoRules rules(db, settings, &log, &prompt);
  rules.DefaultColumnRule(rule, Column("department_name", SQL_VARCHAR, "varchar", 60), {}, 1, {});
  EXPECT_EQ(rule.Fields.back().Method, kMethodPattern);
  EXPECT_EQ(rule.Fields.back().Mask, "$Lib(Departments,Name) N{=4}");
  rules.DefaultColumnRule(rule, Column("country_id", SQL_CHAR, "char", 2), {}, 1, {});
  EXPECT_EQ(rule.Fields.back().Method, kMethodRandom);
  EXPECT_EQ(rule.Fields.back().HighRange, "2");
  rules.DefaultColumnRule(rule, Column("department_name", SQL_VARCHAR, "varchar", 60), {}, 0, {});
  EXPECT_EQ(rule.Fields.back().Method, kMethodLibrary);
}

TEST_F(ColumnDefaultsTest, IgnoredColumns) {
  FLD_DESC identity = Column("id", SQL_INTEGER, "integer");
  identity.isAutoIncrement = 1;
  EXPECT_EQ(Make(identity).Method, kMethodIgnore);
  EXPECT_EQ(Make(Column("seen", SQL_TYPE_TIMESTAMP, "TIMESTAMP")).Method, kMethodIgnore);
  // NOT NULL without a default: the server can not fill it, so it gets values.
  EXPECT_EQ(Make(Column("made", SQL_TYPE_TIMESTAMP, "TIMESTAMP", 0, 0, 0)).Method, kMethodRandom);
  FLD_DESC stamped = Column("stamp", SQL_TYPE_TIMESTAMP, "timestamp", 0, 0, 0);
  stamped.sDefault = "CURRENT_TIMESTAMP";
  EXPECT_EQ(Make(stamped).Method, kMethodIgnore);
  settings.IgnoreTimeStamps = 0;
  ColumnRule kept = Make(Column("seen", SQL_TYPE_TIMESTAMP, "timestamp"));
  EXPECT_EQ(kept.Method, kMethodRandom);
  EXPECT_EQ(kept.LowRange, "1950-01-01");
  rule.InsMode = kInsScramble;
  settings.DefScrMode = 1;
  EXPECT_EQ(Make(Column("name", SQL_VARCHAR, "varchar", 20)).Method, kMethodIgnore);
}

TEST_F(ColumnDefaultsTest, ForeignKeyColumnIsLinkedWithOwner) {
  FK_DESC key;
  key.Column = "CUST_ID";
  key.RefOwner = "sales";
  key.RefTable = "customers";
  key.RefColumn = "id";
  ColumnRule r = Make(Column("cust_id", SQL_INTEGER, "integer", 10, 0, 0), {key});
  EXPECT_EQ(r.Method, kMethodLinkedTable);
  EXPECT_EQ(r.Table, "sales.customers");
  EXPECT_EQ(r.Column, "id");
  EXPECT_EQ(r.UseNulls, -1);
  key.RefOwner.clear();
  EXPECT_EQ(Make(Column("cust_id", SQL_INTEGER, "integer"), {key}).Table, "customers");
}

TEST_F(ColumnDefaultsTest, NullFactorForNullableColumns) {
  settings.NullFactor = "25";
  EXPECT_EQ(Make(Column("v", SQL_VARCHAR, "varchar", 9)).UseNulls, 25);
  EXPECT_EQ(Make(Column("v", SQL_VARCHAR, "varchar", 9, 0, 0)).UseNulls, -1);
}

TEST_F(ColumnDefaultsTest, RefreshedColumnIsInsertedAtItsPosition) {
  AutoRules rules(db, settings, &log, &prompt);
  rules.DefaultColumnRule(rule, Column("a", SQL_INTEGER, "integer"), {}, 0, {});
  rules.DefaultColumnRule(rule, Column("c", SQL_INTEGER, "integer"), {}, 0, {});
  rules.DefaultColumnRule(rule, Column("b", SQL_INTEGER, "integer"), {}, 1, {}, 1);
  ASSERT_EQ(rule.Fields.size(), 3u);
  EXPECT_EQ(rule.Fields[1].Name, "b");
  EXPECT_EQ(rule.Fields[1].Unique, 1);
}

// ---- Column-name rules -------------------------------------------------------

struct NameCase {
  const char* name;
  int type;
  int size;
  int method;
  const char* value;  // Mask or LibName
};

class NameRulesTest : public ColumnDefaultsTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NameRulesTest, FirstMatchingEntryWins) {
  const NameCase& c = GetParam();
  ColumnRule r = Make(Column(c.name, c.type, "varchar", c.size));
  EXPECT_EQ(r.Method, c.method) << c.name;
  EXPECT_EQ(r.Method == kMethodLibrary ? r.LibName : r.Mask, c.value) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameRulesTest,
    ::testing::Values(NameCase{"Email", SQL_VARCHAR, 50, 7, "aa{8}\\@aaa{6}.com"},
                      NameCase{"EMAIL", SQL_VARCHAR, 10, 0, ""},
                      NameCase{"contact_e-mail", SQL_VARCHAR, 80, 7, "aa{8}\\@aaa{6}.com"},
                      NameCase{"mystate", SQL_VARCHAR, 30, 0, ""},
                      NameCase{"state", SQL_VARCHAR, 30, 5, "US_States"},
                      NameCase{"state", SQL_CHAR, 2, 5, "US_States.Code"},
                      NameCase{"StreetName", SQL_VARCHAR, 60, 5, "Streets"},
                      NameCase{"country", SQL_CHAR, 2, 5, "Countries.Code2"},
                      NameCase{"country", SQL_CHAR, 3, 5, "Countries.Code3"},
                      NameCase{"country", SQL_VARCHAR, 50, 5, "Countries"},
                      NameCase{"url", SQL_VARCHAR, 100, 7, "http://www.aa{8}.com/aaa{8}.htm"},
                      NameCase{"HomeURL", SQL_VARCHAR, 100, 7, "http://www.aa{8}.com/aaa{8}.htm"},
                      NameCase{"homeurl", SQL_VARCHAR, 100, 0, ""},
                      NameCase{"BirthCity", SQL_VARCHAR, 40, 5, "Cities"},
                      NameCase{"birthcity", SQL_VARCHAR, 40, 0, ""},
                      NameCase{"fax", SQL_VARCHAR, 20, 7, "\\(NNN\\) NNN-NNNN"},
                      NameCase{"swift_code", SQL_VARCHAR, 6, 0, ""},
                      NameCase{"swift_code", SQL_VARCHAR, 7, 7, "A{=11}"},
                      NameCase{"home_address", SQL_VARCHAR, 100, 7, "N{4} $Lib(Streets)"},
                      NameCase{"region", SQL_VARCHAR, 20, 5, "Region"}));

TEST_F(ColumnDefaultsTest, NameRulesSkipNumbersAndDates) {
  EXPECT_EQ(Make(Column("zip", SQL_INTEGER, "integer", 10)).Method, kMethodRandom);
  EXPECT_EQ(Make(Column("state", SQL_TYPE_DATE, "date")).Method, kMethodRandom);
}

// ---- Check constraints ---------------------------------------------------------

TEST_F(ColumnDefaultsTest, CheckConstraintsNarrowOrList) {
  EXPECT_EQ(Make(Column("qty", SQL_INTEGER, "integer"), {}, {"qty > 0"}).LowRange, "1");
  EXPECT_EQ(Make(Column("qty", SQL_INTEGER, "integer"), {}, {"qty > 10"}).LowRange, "11");
  EXPECT_EQ(Make(Column("qty", SQL_INTEGER, "integer"), {}, {"qty >= -5"}).LowRange, "-5");
  EXPECT_EQ(Make(Column("big", SQL_BIGINT, "bigint"), {}, {"big > 0"}).LowRange, "1");
  ColumnRule bounded = Make(Column("n", SQL_SMALLINT, "smallint"), {}, {"n BETWEEN 3 AND 100"});
  EXPECT_EQ(bounded.LowRange, "3");
  EXPECT_EQ(bounded.HighRange, "100");
  EXPECT_EQ(Make(Column("n", SQL_SMALLINT, "smallint"), {}, {"n < 40000"}).HighRange, "32766");
  EXPECT_EQ(Make(Column("p", SQL_DECIMAL, "decimal", 8, 2), {}, {"p < 9.5"}).HighRange, "9.5");
  ColumnRule listed = Make(Column("status", SQL_VARCHAR, "varchar", 10), {}, {"status IN ('A', 'B')"});
  EXPECT_EQ(listed.Method, kMethodValueList);
  EXPECT_EQ(listed.Values, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(listed.ValueUse, (std::vector<int>{0, 0}));
  ColumnRule single = Make(Column("kind", SQL_CHAR, "char", 1), {}, {"kind = 'X'", "other > 1"});
  EXPECT_EQ(single.Values, (std::vector<std::string>{"X"}));
}

TEST_F(ColumnDefaultsTest, UnreadableClauseIsLoggedAndSkipped) {
  ColumnRule r = Make(Column("qty", SQL_INTEGER, "integer"), {}, {"qty >= 2 AND qty % 2 = 0"});
  EXPECT_EQ(r.LowRange, "2");
  EXPECT_NE(log.GetLastRows().find("PARSER FAIL: qty % 2 = 0"), std::string::npos) << log.GetLastRows();
}

TEST_F(ColumnDefaultsTest, LinkedAndIgnoredColumnsKeepTheirChecksUnread) {
  FK_DESC key;
  key.Column = "qty";
  key.RefTable = "t";
  key.RefColumn = "q";
  ColumnRule r = Make(Column("qty", SQL_INTEGER, "integer"), {key}, {"qty IN (1, 2)"});
  EXPECT_EQ(r.Method, kMethodLinkedTable);
  EXPECT_TRUE(r.Values.empty());
}

// ---- Against the databases -------------------------------------------------------

class AutoRulesDbTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    isPostgres_ = std::string(GetParam()) == "postgres";
    if (isPostgres_) {
      REQUIRE_POSTGRES(conn);
      info.conStr = conn;
    } else {
      info.conStr = testenv::SqliteConnStr(dir_.file("auto.db"));
    }
    db_ = CDB::newDB(CONN_INFO::kOdbc);
    ASSERT_TRUE(CDB::isOK(db_->Connect(info))) << db_->ErrorText();
    if (isPostgres_) {
      schema_ = "auto" + std::to_string(getpid());
      Run("drop schema if exists " + schema_ + " cascade");
      Run("create schema " + schema_);
      info.conOwner = schema_;
      ASSERT_TRUE(CDB::isOK(db_->Connect(info))) << db_->ErrorText();
      Run("set search_path to " + schema_);
    }
  }
  void TearDown() override {
    if (!schema_.empty() && db_) db_->Exec("drop schema if exists " + schema_ + " cascade");
  }
  void Run(const std::string& sql) { ASSERT_TRUE(CDB::isOK(db_->Exec(sql))) << sql << "\n" << db_->ErrorText(); }
  std::string Serial() const { return isPostgres_ ? "serial primary key" : "integer primary key autoincrement"; }

  std::vector<std::string> Order(const std::vector<std::string>& tables, TableOrder* order = nullptr) {
    AutoRules rules(*db_, settings_, &log_, &prompt_);
    TableOrder local;
    TableOrder* out = order ? order : &local;
    EXPECT_EQ(rules.OrderTables(tables, out), 0);
    return out->tables;
  }
  int AddList(const std::vector<std::string>& tables, bool removeAll = false, bool clear = false) {
    AutoRules rules(*db_, settings_, &log_, &prompt_);
    return rules.AddListAuto(doc_, tables, removeAll, clear);
  }
  std::vector<std::string> RuleTables() const {
    std::vector<std::string> names;
    for (const Rule& r : doc_.project().rules)
      names.push_back(r.TabName + (r.InsMode == kInsUpdate ? "/update" : ""));
    return names;
  }
  static const ColumnRule* Find(const Rule& rule, const std::string& name) {
    for (const ColumnRule& c : rule.Fields)
      if (c.Name == name) return &c;
    return nullptr;
  }

  testenv::TempDir dir_;
  std::unique_ptr<CDB> db_;
  bool isPostgres_ = false;
  std::string schema_;
  AutoRuleSettings settings_;
  CLog log_;
  RecordingPrompt prompt_;
  ProjectDocument doc_;
};

using Names = std::vector<std::string>;

TEST_P(AutoRulesDbTest, ChainIsOrderedParentsFirst) {
  Run("create table a (id integer primary key)");
  Run("create table b (id integer primary key, a_id integer not null references a(id))");
  Run("create table c (id integer primary key, b_id integer not null references b(id))");
  TableOrder order;
  EXPECT_EQ(Order({"c", "b", "a"}, &order), (Names{"a", "b", "c"}));
  EXPECT_TRUE(order.unresolved.empty());
  EXPECT_TRUE(order.deferred.empty());
  EXPECT_EQ(Order({"\"c\"", "b", "a"}), (Names{"a", "b", "\"c\""}));
}

TEST_P(AutoRulesDbTest, SelfReferenceIsFilledByAnUpdateRule) {
  Run("create table employees (employee_id integer primary key, name varchar(40) not null,"
      " manager_id integer references employees(employee_id))");
  Run("create table badges (id integer primary key, employee_id integer not null references employees(employee_id))");
  ASSERT_EQ(AddList({"badges", "employees"}), 0);
  EXPECT_EQ(RuleTables(), (Names{"employees", "employees/update", "badges"}));
  const Rule& insert = doc_.project().rules[0];
  const ColumnRule* manager = Find(insert, "manager_id");
  ASSERT_TRUE(manager);
  EXPECT_EQ(manager->UseNulls, 100);
  const Rule& update = doc_.project().rules[1];
  EXPECT_EQ(update.Mode, kRuleData);
  EXPECT_EQ(update.updColumn, (Names{"employee_id"}));
  ASSERT_EQ(update.Fields.size(), 2u);
  EXPECT_EQ(update.Fields[0].Name, "employee_id");
  EXPECT_EQ(update.Fields[0].Method, kMethodIgnore);
  EXPECT_EQ(update.Fields[1].Name, "manager_id");
  EXPECT_EQ(update.Fields[1].Method, kMethodLinkedTable);
  EXPECT_EQ(update.Fields[1].Table, isPostgres_ ? schema_ + ".employees" : "employees");
  EXPECT_EQ(update.Fields[1].Column, "employee_id");
  EXPECT_TRUE(doc_.modified());
}

TEST_P(AutoRulesDbTest, SelfReferenceProjectRunsWithItsUpdateRule) {
  Run("create table employees (employee_id integer primary key, name varchar(40) not null,"
      " manager_id integer references employees(employee_id))");
  ASSERT_EQ(AddList({"employees"}), 0);
  Project& project = doc_.project();
  ASSERT_EQ(project.rules.size(), 2u);
  for (Rule& rule : project.rules) {
    rule.RcMode = kRcConstant;
    rule.Records = 20;
  }
  RunOptions options;
  options.connection = db_.get();
  options.project = &project;
  options.VerifySchema = 0;
  options.consoleMode = 1;
  options.log = &log_;
  options.prompt = &prompt_;
  QuarnelGenerator generator;
  generator.Run(options);
  const RunSummary& summary = generator.Summary();
  EXPECT_EQ(summary.rulesFailed, 0);
  EXPECT_EQ(summary.rejected, 0u);
  // 20 rows inserted, then each of them updated once.
  EXPECT_EQ(summary.inserted, 40u);
  std::string count;
  long ind = 0;
  Run("select count(*) from employees where manager_id is not null");
  ASSERT_TRUE(CDB::isOK(db_->Fetch()));
  db_->GetDataAsText(1, &count, &ind);
  db_->FreeStmt();
  EXPECT_NE(count, "0");
  Run("select count(*) from employees e where manager_id is not null and not exists"
      " (select 1 from employees m where m.employee_id = e.manager_id)");
  ASSERT_TRUE(CDB::isOK(db_->Fetch()));
  db_->GetDataAsText(1, &count, &ind);
  db_->FreeStmt();
  EXPECT_EQ(count, "0");
}

TEST_P(AutoRulesDbTest, MutualReferencesAreBrokenAtANullableKey) {
  Run("create table root (id integer primary key)");
  Run("create table dept (id integer primary key, head_id integer)");
  Run("create table staff (id integer primary key, dept_id integer not null references dept(id))");
  if (isPostgres_) {
    Run("alter table dept add foreign key (head_id) references staff(id)");
  } else {
    // SQLite can not add a key to an existing table: make it again.
    Run("drop table staff");
    Run("drop table dept");
    Run("create table dept (id integer primary key, head_id integer references staff(id))");
    Run("create table staff (id integer primary key, dept_id integer not null references dept(id))");
  }
  TableOrder order;
  // Given staff first: its key can not be NULL, so the cycle breaks at dept.
  EXPECT_EQ(Order({"staff", "dept", "root"}, &order), (Names{"root", "dept", "staff"}));
  EXPECT_EQ(order.unresolved, (Names{"staff", "dept"}));
  ASSERT_EQ(order.deferred.size(), 1u);
  EXPECT_EQ(order.deferred[0].table, "dept");
  EXPECT_EQ(order.deferred[0].refTable, "staff");
  EXPECT_EQ(order.deferred[0].columns, (Names{"head_id"}));

  ASSERT_EQ(AddList({"staff", "dept", "root"}, true, true), 0);
  EXPECT_EQ(RuleTables(), (Names{"", "root", "dept", "staff", "dept/update"}));
  const Rule& clear = doc_.project().rules[0];
  EXPECT_EQ(clear.Mode, kRuleClear);
  ASSERT_EQ(clear.ClTab.size(), 3u);
  EXPECT_EQ(clear.ClTab[0].ClTab, "dept");
  EXPECT_EQ(clear.ClTab[1].ClTab, "staff");
  EXPECT_EQ(clear.ClTab[2].ClTab, "root");
  EXPECT_EQ(clear.ClTab[0].ClUse, 1);
  EXPECT_EQ(Find(doc_.project().rules[2], "head_id")->UseNulls, 100);
  EXPECT_EQ(Find(doc_.project().rules[3], "dept_id")->UseNulls, -1);
}

TEST_P(AutoRulesDbTest, CycleWithoutNullableKeyKeepsTheGivenOrder) {
  if (isPostgres_) {
    Run("create table x (id integer primary key, y_id integer not null)");
    Run("create table y (id integer primary key, x_id integer not null references x(id))");
    Run("alter table x add foreign key (y_id) references y(id)");
  } else {
    Run("create table x (id integer primary key, y_id integer not null references y(id))");
    Run("create table y (id integer primary key, x_id integer not null references x(id))");
  }
  Run("create table z (id integer primary key)");
  TableOrder order;
  EXPECT_EQ(Order({"y", "z", "x"}, &order), (Names{"z", "y", "x"}));
  EXPECT_TRUE(order.deferred.empty());
  EXPECT_NE(log_.GetLastRows().find("key cycle without a nullable key column"), std::string::npos);
}

TEST_P(AutoRulesDbTest, ReferenceOutsideTheListStaysUnresolved) {
  Run("create table p (id integer primary key)");
  Run("create table q (id integer primary key, p_id integer references p(id))");
  Run("create table r (id integer primary key)");
  TableOrder order;
  EXPECT_EQ(Order({"q", "r"}, &order), (Names{"r", "q"}));
  EXPECT_EQ(order.unresolved, (Names{"q"}));
  EXPECT_TRUE(order.deferred.empty());
}

TEST_P(AutoRulesDbTest, CancelledListBuildsNothing) {
  Run("create table a (id integer primary key)");
  AutoRules rules(*db_, settings_, &log_, &prompt_);
  rules.setProgress({nullptr, [] { return true; }});
  EXPECT_EQ(rules.AddListAuto(doc_, {"a"}, false, true), AutoRules::kCancelled);
  EXPECT_TRUE(doc_.project().rules.empty());
  EXPECT_FALSE(doc_.modified());
}

TEST_P(AutoRulesDbTest, CancelWhileBuildingKeepsTheRulesBuilt) {
  Run("create table a (id integer primary key)");
  Run("create table b (id integer primary key)");
  AutoRules rules(*db_, settings_, &log_, &prompt_);
  bool building = false;
  std::vector<std::string> shown;
  rules.setProgress({[&](const std::string& text) {
                       shown.push_back(text);
                       if (text == "Building rule #1...") building = true;
                     },
                     [&] { return building; }});
  EXPECT_EQ(rules.AddListAuto(doc_, {"a", "b"}, false, false), AutoRules::kCancelled);
  EXPECT_EQ(RuleTables(), (Names{"a"}));
  EXPECT_EQ(shown.front(), "Prepare table order (2)");
}

TEST_P(AutoRulesDbTest, AddOneAutoTakesTheRuleDefaults) {
  Run("create table items (id " + Serial() + ", name varchar(30) not null, qty integer check (qty > 0),"
      " kind varchar(5) check (kind in ('A','B')), price decimal(10,2), seen timestamp)");
  settings_.Rows = "250";
  settings_.PerTran = "50";
  settings_.DefRuleType = kInsReplace;
  AutoRules rules(*db_, settings_, &log_, &prompt_);
  ASSERT_EQ(rules.AddOneAuto(doc_, "items"), 0);
  ASSERT_EQ(doc_.project().rules.size(), 1u);
  const Rule& r = doc_.project().rules[0];
  EXPECT_EQ(r.TabName, "items");
  EXPECT_EQ(r.Records, 250);
  EXPECT_EQ(r.PerTrans, 50);
  EXPECT_EQ(r.InsMode, kInsReplace);
  ASSERT_EQ(r.Fields.size(), 6u);
  EXPECT_EQ(r.Fields[0].Method, kMethodIgnore);  // server-generated key
  EXPECT_EQ(r.Fields[0].Unique, 1);
  EXPECT_EQ(r.Fields[1].HighRange, "30");
  EXPECT_EQ(r.Fields[2].LowRange, "1");
  EXPECT_EQ(r.Fields[3].Values, (Names{"A", "B"}));
  EXPECT_EQ(r.Fields[4].sFormat, "%10.2f");
  EXPECT_EQ(r.Fields[4].HighRange, "99999999");
  EXPECT_EQ(r.Fields[5].Method, kMethodIgnore);
  EXPECT_TRUE(doc_.modified());
  EXPECT_EQ(rules.AddOneAuto(doc_, "no_such_table"), AutoRules::kNoTable);
  EXPECT_EQ(doc_.project().rules.size(), 1u);
}

TEST_P(AutoRulesDbTest, UniqueColumnsAreMarkedUnique) {
  // A unique constraint, a unique index, and a unique pair whose columns repeat on their own.
  Run("create table tags (id integer primary key, code varchar(8) not null unique, slug varchar(20),"
      " a integer, b integer, note varchar(10), unique (a, b))");
  Run("create unique index tags_slug on tags (slug)");
  AutoRules rules(*db_, settings_, &log_, &prompt_);
  ASSERT_EQ(rules.AddOneAuto(doc_, "tags"), 0);
  const Rule& r = doc_.project().rules.at(0);
  EXPECT_EQ(Find(r, "id")->Unique, 1);
  EXPECT_EQ(Find(r, "code")->Unique, 1);
  EXPECT_EQ(Find(r, "slug")->Unique, 1);
  EXPECT_EQ(Find(r, "a")->Unique, 0);
  EXPECT_EQ(Find(r, "b")->Unique, 0);
  EXPECT_EQ(Find(r, "note")->Unique, 0);
}

TEST_P(AutoRulesDbTest, MakeRuleRefreshKeepsSettingsAndFollowsTheTable) {
  Run("create table t (a integer, b varchar(10), c integer)");
  AutoRules rules(*db_, settings_, &log_, &prompt_);
  Rule rule;
  ASSERT_EQ(rules.MakeRule("t", rule), 0);
  rule.Fields[0].LowRange = "77";
  Run("drop table t");
  Run("create table t (a integer, n integer, c integer)");
  ASSERT_EQ(rules.MakeRule("t", rule), 0);
  ASSERT_EQ(rule.Fields.size(), 3u);
  EXPECT_EQ(rule.Fields[0].LowRange, "77");
  EXPECT_EQ(rule.Fields[1].Name, "n");
  EXPECT_EQ(rule.Fields[2].Name, "c");
}

TEST_P(AutoRulesDbTest, MissingTableAsksAndKeepsTheRule) {
  Run("create table t (a integer)");
  AutoRules rules(*db_, settings_, &log_, &prompt_);
  Rule rule;
  ASSERT_EQ(rules.MakeRule("t", rule), 0);
  Run("drop table t");
  EXPECT_EQ(rules.MakeRule("t", rule), 0);
  ASSERT_EQ(prompt_.messages.size(), 1u);
  EXPECT_EQ(prompt_.messages[0], "Warning|Table 't' does not exist. Do you wish to open the rule?");
  prompt_.answer = PromptAnswer::kNo;
  EXPECT_EQ(rules.MakeRule("t", rule), AutoRules::kRuleNotOpened);
  EXPECT_EQ(rule.Fields.size(), 1u);
}

TEST_P(AutoRulesDbTest, CheckTextsFromTheCatalogue) {
  Run("create table p (id integer primary key, price decimal(8,2) not null check (price > 0),"
      " stock smallint check (stock between 0 and 10000), state varchar(10) check (state in ('NEW', 'OLD')))");
  AutoRules rules(*db_, settings_, &log_, &prompt_);
  Rule rule;
  ASSERT_EQ(rules.MakeRule("p", rule), 0);
  EXPECT_EQ(Find(rule, "price")->LowRange, "1");
  EXPECT_EQ(Find(rule, "stock")->HighRange, "10000");
  EXPECT_EQ(Find(rule, "state")->Method, kMethodValueList);
  EXPECT_EQ(Find(rule, "state")->Values, (Names{"NEW", "OLD"}));
}

TEST_P(AutoRulesDbTest, ACompositeKeyStaysDistinctThroughItsOwnColumn) {
  // order_id comes from the parent, so line_no keeps the pairs distinct: random
  // pairs of a thousand rows collided on about one run in thirty.
  Run("create table ord (order_id integer primary key)");
  Run("create table ord_line (order_id integer not null references ord(order_id), line_no smallint not null, "
      "qty integer, primary key (order_id, line_no))");
  AutoRules rules(*db_, settings_, &log_, &prompt_);
  Rule rule;
  ASSERT_EQ(rules.MakeRule("ord_line", rule), 0);
  EXPECT_EQ(Find(rule, "line_no")->Unique, 1);
  EXPECT_EQ(Find(rule, "order_id")->Unique, 0);
  EXPECT_EQ(Find(rule, "order_id")->Method, kMethodLinkedTable);
  EXPECT_EQ(Find(rule, "qty")->Unique, 0);
}

TEST_P(AutoRulesDbTest, KeysAreNeverNullAndCompositeKeysComeFromOneParentRow) {
  // SQLite calls a CHAR key nullable; a key made only of references reads its
  // first parent in order so that no pair repeats.
  Run("create table country (code char(2) primary key, name varchar(40))");
  Run("create table line (order_no integer not null, line_no integer not null, primary key (order_no, line_no))");
  Run("create table shipment (id integer primary key, order_no integer not null, line_no integer not null,"
      " foreign key (order_no, line_no) references line (order_no, line_no))");
  Run("create table pairing (a char(2) not null references country (code), b integer not null references shipment (id),"
      " primary key (a, b))");
  AutoRules rules(*db_, settings_, &log_, &prompt_);
  Rule country, shipment, pairing;
  ASSERT_EQ(rules.MakeRule("country", country), 0);
  EXPECT_EQ(Find(country, "code")->UseNulls, -1);
  EXPECT_EQ(Find(country, "code")->isNull, 0);
  ASSERT_EQ(rules.MakeRule("shipment", shipment), 0);
  const ColumnRule* order = Find(shipment, "order_no");
  const ColumnRule* line = Find(shipment, "line_no");
  EXPECT_EQ(order->Method, kMethodLinkedTable);
  EXPECT_GT(order->seqFK, 0);
  EXPECT_EQ(order->seqFK, line->seqFK);
  EXPECT_EQ(order->Table, line->Table);
  EXPECT_EQ(line->Column, "line_no");
  ASSERT_EQ(rules.MakeRule("pairing", pairing), 0);
  EXPECT_EQ(Find(pairing, "a")->Seqent, 1);
  EXPECT_EQ(Find(pairing, "b")->Seqent, 0);
}

TEST_P(AutoRulesDbTest, AUniqueColumnWithFewValuesCapsTheRows) {
  Run("create table grade (id integer primary key, mark smallint unique check (mark between 1 and 5),"
      " letter varchar(1) unique check (letter in ('A', 'B', 'C')))");
  AutoRules rules(*db_, settings_, &log_, &prompt_);
  Rule rule = rules.NewAutoRule();
  ASSERT_EQ(rules.MakeRule("grade", rule), 0);
  EXPECT_EQ(rule.Records, 3);
  EXPECT_EQ(rule.note, "Rows capped at 3: the unique column letter takes only 3 distinct values");
}

INSTANTIATE_TEST_SUITE_P(Servers, AutoRulesDbTest, ::testing::Values("sqlite", "postgres"));

TEST(AutoRulesDemo, DemoSchemaOrdersEveryTableAfterItsParents) {
  testenv::TempDir dir;
  auto db = CDB::newDB(CONN_INFO::kOdbc);
  CONN_INFO info;
  info.conStr = testenv::SqliteConnStr(dir.file("demo.db"));
  ASSERT_TRUE(CDB::isOK(db->Connect(info))) << db->ErrorText();
  ASSERT_EQ(testenv::RunScript(*db, testenv::ReadFile(testenv::SourceDir() / "examples/demo-schema.sql")), 0);
  ProjectDocument doc;
  AutoRules rules(*db, AutoRuleSettings{});
  ASSERT_EQ(rules.AddListAuto(doc, {"payments", "order_lines", "orders", "products", "customers", "categories"},
                              false, false),
            0);
  std::vector<std::string> names;
  for (const Rule& r : doc.project().rules) names.push_back(r.TabName + (r.InsMode == kInsUpdate ? "/update" : ""));
  EXPECT_EQ(names, (Names{"customers", "customers/update", "categories", "orders", "products", "payments",
                          "order_lines"}));
}

}  // namespace
