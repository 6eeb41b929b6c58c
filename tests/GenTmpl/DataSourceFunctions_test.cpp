// The data-source pattern functions, run through a pattern engine as a
// pattern column runs them: values, groups, and every error they report.
#include <dlfcn.h>
#include <fcntl.h>
#include <freexl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "GenTmpl/PatternEngine.h"
#include "GenTmpl/SourceFile.h"
#include "support/Database.h"
#include "support/Prompt.h"
#include "tests/common/TestEnv.h"

using Texts = std::vector<std::string>;

namespace {

std::string FixturePath(const char* name) {
  return (testenv::SourceDir() / "tests/GenTmpl/fixtures" / name).string();
}

// Keeps the value library's messages off the terminal.
class SilentPrompt : public Prompt {
 public:
  void Message(std::string_view, std::string_view, PromptIcon) override {}
  PromptAnswer Ask(std::string_view, std::string_view, PromptIcon, PromptButtons,
                   PromptAnswer preselected) override {
    return preselected;
  }
};

void RunSql(const std::string& conn, const Texts& statements) {
  auto db = CDB::newDB();
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = conn;
  ASSERT_TRUE(CDB::isOK(db->Connect(info))) << db->ErrorText();
  for (const std::string& sql : statements) {
    ASSERT_TRUE(CDB::isOK(db->Exec(sql))) << sql << ": " << db->ErrorText();
    db->FreeStmt();
  }
}

class DataSourceFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetCurrentPrompt(&prompt_);
    engine_.Init("", 7);
  }
  void TearDown() override { SetCurrentPrompt(nullptr); }

  // One row's value of `pattern`; the engine's error code goes to `code`.
  std::string Row(const std::string& pattern, int* code = nullptr) {
    std::string value;
    const int rc = engine_.Generate(value, -1, pattern);
    if (code) *code = rc;
    return value;
  }
  // `rows` rows of one pattern, compiled on the first and replayed after.
  Texts Rows(const std::string& pattern, int rows) {
    Texts out;
    engine_.Reset();
    for (int i = 0; i < rows; ++i) {
      out.push_back(Row(pattern));
      EXPECT_EQ(engine_.ErrorCode(), 0) << engine_.ErrorMessage();
      engine_.NextRow();
    }
    return out;
  }
  // Compiles `pattern` and expects error `code` with a message containing
  // `message`, and an empty value.
  void ExpectError(const std::string& pattern, int code, const std::string& message) {
    engine_.Reset();
    int rc = 0;
    EXPECT_EQ(Row(pattern, &rc), "") << pattern;
    EXPECT_EQ(rc, code) << pattern << ": " << engine_.ErrorMessage();
    EXPECT_NE(engine_.ErrorMessage().find(message), std::string::npos)
        << pattern << ": " << engine_.ErrorMessage();
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = dir_.file(name);
    testenv::WriteFile(path, text);
    return path;
  }

  SilentPrompt prompt_;
  testenv::TempDir dir_;
  PatternEngine engine_;
};

// ---------------------------------------------------------------- files

TEST_F(DataSourceFunctionsTest, FileReturnsLinesInOrderOrAtRandom) {
  const std::string names = Write("names.txt", "Ann\r\nBob\nCid\n");
  EXPECT_EQ(Rows("$File(" + names + ",1)", 5), (Texts{"Ann", "Bob", "Cid", "Ann", "Bob"}));
  for (const std::string& v : Rows("$File(" + names + ")", 20))
    EXPECT_TRUE(v == "Ann" || v == "Bob" || v == "Cid") << v;
  const std::string empty = Write("empty.txt", "");
  EXPECT_EQ(Rows("$File(" + empty + ")x", 2), (Texts{"x", "x"}));
}

TEST_F(DataSourceFunctionsTest, FileEvaluatesLinesAsPatternsKeepingEachLinesNodes) {
  const std::string a = Write("a.txt", "a1\na2\na3\n");
  const std::string b = Write("b.txt", "b1\nb2\nb3\n");
  const std::string outer = Write("outer.txt", "<$File(" + a + ",1)>\n$File(" + b + ",1)-N{=2}\n");
  const Texts rows = Rows("$File(" + outer + ",1,true)", 4);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "a1");
  EXPECT_EQ(rows[1].substr(0, 3), "b1-");
  EXPECT_EQ(rows[1].size(), 5u);
  EXPECT_EQ(rows[2], "a2");
  EXPECT_EQ(rows[3].substr(0, 3), "b2-");
}

TEST_F(DataSourceFunctionsTest, FileRefusesHostileSources) {
  ExpectError("$File()", 1200, "FileData: the function expects at least one parameter.");
  ExpectError("$File(" + dir_.file("missing.txt") + ")", 1201,
              "FileData: could not access or open source file '" + dir_.file("missing.txt") +
                  "'.");
  ExpectError("$File(/dev/zero)", 1201, "could not access or open source file '/dev/zero'");
  ExpectError("$File(" + dir_.path().string() + ")", 1201, "could not access");
  const std::string huge = dir_.file("huge.txt");
  const int fd = ::open(huge.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kMaxSourceFileBytes) + 1), 0);
  ::close(fd);
  ExpectError("$File(" + huge + ")", 1201, "could not access");
  // A file of patterns that reads itself stops at the nesting bound.
  const std::string self = dir_.file("self.txt");
  testenv::WriteFile(self, "$File(" + self + ",0,1)\n");
  engine_.Reset();
  EXPECT_EQ(Row("$File(" + self + ",0,1)"), "");
  engine_.NextRow();
  EXPECT_EQ(Row("$File(" + self + ",0,1)"), "");
  EXPECT_EQ(engine_.ErrorCode(), PatternEngine::kErrNestedTooDeep);
}

TEST_F(DataSourceFunctionsTest, FileGroupKeepsFieldsOfOneLineTogether) {
  const std::string people = Write("people.txt", "Ann\tOslo\tNO\n\nBob\tBern\tCH\nCid\tLund\tSE\n");
  engine_.Reset();
  for (int i = 0; i < 10; ++i) {
    const std::string city = Row("$FileGroup(1,2," + people + ")");
    const std::string code = Row("$Group(1,3)");
    const std::string name = Row("$Group(1,1)");
    EXPECT_TRUE((name == "Ann" && city == "Oslo" && code == "NO") ||
                (name == "Bob" && city == "Bern" && code == "CH") ||
                (name == "Cid" && city == "Lund" && code == "SE"))
        << name << "/" << city << "/" << code;
    EXPECT_EQ(Row("$Group(1,4)"), "");
    engine_.NextRow();
  }
  const std::string csv = Write("data.csv", "1,one\n2,two\n");
  EXPECT_EQ(Rows("$FileGroup(2,2," + csv + ",1,0,(\",\"))", 3), (Texts{"one", "two", "one"}));
  const std::string multi = Write("multi.txt", "a::b\nc::d\n");
  EXPECT_EQ(Rows("$FileGroup(3,1," + multi + ",1,0,\"::\")", 2), (Texts{"a", "c"}));
  // A line is one row however many fields it has; missing fields are empty.
  const std::string ragged = Write("ragged.csv", "a,1\nb,2,x\nc,3\nd,4,z,extra\n");
  const struct {
    std::string pattern;
    Texts rows;
  } uneven[] = {
      {"$FileGroup(5,1," + ragged + ",1,0,(\",\"))/$Group(5,2)/$Group(5,3)/$Group(5,4)", {"a/1//", "b/2/x/", "c/3//", "d/4/z/extra", "a/1//"}},
      {"$FileGroup(6,3," + ragged + ",1,0,(\",\"))", {"", "x", "", "z", ""}},
      {"$FileGroup(7,4," + ragged + ",1,0,(\",\"))/$Group(7,1)", {"/a", "/b", "/c", "extra/d", "/a"}},
  };
  for (const auto& c : uneven) EXPECT_EQ(Rows(c.pattern, 5), c.rows) << c.pattern;
  const std::string pats = Write("pats.txt", "x\tN{=3}\n");
  const Texts evaluated = Rows("$FileGroup(4,2," + pats + ",1,1)", 1);
  EXPECT_EQ(evaluated[0].find_first_not_of("0123456789"), std::string::npos);
  EXPECT_EQ(evaluated[0].size(), 3u);
  ExpectError("$FileGroup(1,2)", 1300, "FileGroupData: the function expects at least 3 parameters.");
  ExpectError("$FileGroup(1,2," + dir_.file("none.txt") + ")", 1301,
              "FileGroupData: could not open source file '" + dir_.file("none.txt") + "'.");
  ExpectError("$FileGroup(1,1,/dev/zero)", 1301, "could not open source file");
}

// ---------------------------------------------------------------- value library

class LibraryFunctionsTest : public DataSourceFunctionsTest {
 protected:
  void SetUp() override {
    DataSourceFunctionsTest::SetUp();
    library_ = dir_.file("library.db");
    RunSql(testenv::SqliteConnStr(library_),
           {"create table _Index (ID integer, Name text, Parent integer, Hidden integer, "
            "\"Column\" text)",
            "insert into _Index values (1,'Cities',0,0,null)",
            "create table Cities (Name text, Country text, State text)",
            "insert into Cities values ('Oslo','NO',null),('Bergen','NO',null),"
            "('Lyon','FR','Rhone'),('O''Hara','IE',null)"});
    engine_.Init(library_, 7);
  }
  void TearDown() override {
    engine_.Clear();
    engine_.ReleaseSharedLibrary();
    DataSourceFunctionsTest::TearDown();
  }
  std::string library_;
};

TEST_F(LibraryFunctionsTest, LibReadsListsAndNarrowsByColumnValues) {
  for (const std::string& v : Rows("$Lib(Cities)", 10))
    EXPECT_TRUE(v == "Oslo" || v == "Bergen" || v == "Lyon" || v == "O'Hara") << v;
  EXPECT_EQ(Rows("$Library(Cities,Country,0,0,Name='Lyon')", 2), (Texts{"FR", "FR"}));
  engine_.AddColumn("City");
  engine_.Reset();
  for (const char* city : {"Bergen", "O'Hara", "Lyon"}) {
    engine_.SetColumnValue(0, city);
    EXPECT_EQ(Row("$Lib(Cities,Country,0,0,Name='@'City'')"),
              std::string(city) == "Lyon" ? "FR" : std::string(city) == "O'Hara" ? "IE" : "NO");
    EXPECT_EQ(engine_.ErrorCode(), 0) << engine_.ErrorMessage();
    engine_.NextRow();
  }
  ExpectError("$Lib()", 1800, "LibData: the function expects at least one parameter.");
  ExpectError("$Lib(NoSuchList)", 1850, "NoSuchList");
}

// Each failing list names its own cause, whatever failed before it.
TEST_F(LibraryFunctionsTest, LibErrorsNameTheirOwnCause) {
  const struct {
    const char* pattern;
    const char* message;
  } cases[] = {
      {"$Lib(Nope)", "Load list 'Nope.Name' error: "},
      {"$Lib(Cities,Nofield)", "Load list 'Cities.Nofield' error: "},
      {"$Lib(Other,Town)", "Load list 'Other.Town' error: "},
      {"$Lib(Nope)", "Load list 'Nope.Name' error: "},
  };
  for (const auto& c : cases) {
    engine_.Reset();
    int rc = 0;
    EXPECT_EQ(Row(c.pattern, &rc), "") << c.pattern;
    EXPECT_EQ(rc, 1850) << c.pattern;
    const std::string& message = engine_.ErrorMessage();
    EXPECT_TRUE(message.starts_with(c.message)) << c.pattern << ": " << message;
    EXPECT_GT(message.size(), std::string_view(c.message).size()) << c.pattern << ": " << message;
    EXPECT_EQ(message.find("Load list", 1), std::string::npos) << c.pattern << ": " << message;
  }
}

TEST_F(LibraryFunctionsTest, LibGroupKeepsTheColumnsOfARowAligned) {
  engine_.Reset();
  for (int i = 0; i < 12; ++i) {
    const std::string name = Row("$LibGroup(5,Cities,Name,Country,State)");
    const std::string country = Row("$Group(5,2)");
    const std::string state = Row("$Group(5,3)");
    EXPECT_TRUE((name == "Oslo" && country == "NO" && state.empty()) ||
                (name == "Bergen" && country == "NO" && state.empty()) ||
                (name == "Lyon" && country == "FR" && state == "Rhone") ||
                (name == "O'Hara" && country == "IE" && state.empty()))
        << name << "/" << country << "/" << state;
    engine_.NextRow();
  }
  ExpectError("$LibGroup(5,Cities)", 1900, "LibGroupData: the function expects at least 3 parameters.");
  ExpectError("$LibGroup(5,Cities,Name,Nope)", 1850, "Nope");
  ExpectError("$LibGroup(5,Cities,Name,\"x;y\")", 1850, "");
}

TEST_F(LibraryFunctionsTest, ReportsALibraryThatCannotBeOpened) {
  engine_.ReleaseSharedLibrary();
  PatternEngine other;
  const std::string missing = dir_.file("missing.db");
  other.Init(missing, 7);
  std::string value;
  EXPECT_EQ(other.Generate(value, -1, "$Lib(Cities)"), 1801);
  EXPECT_EQ(other.ErrorMessage(), "LibData: could not open library at '" + missing + "'.");
  other.Reset();
  EXPECT_EQ(other.Generate(value, -1, "$LibGroup(1,Cities,Name,Country)"), 1901);
  EXPECT_EQ(other.ErrorMessage(), "LibGroupData: could not open library at '" + missing + "'.");
  other.Clear();
  engine_.Init(library_, 7);
}

// ---------------------------------------------------------------- tables and queries

enum class Server { kSqlite, kPostgres };

class TableFunctionsTest : public DataSourceFunctionsTest,
                           public ::testing::WithParamInterface<Server> {
 protected:
  void SetUp() override {
    DataSourceFunctionsTest::SetUp();
    if (GetParam() == Server::kPostgres) {
      REQUIRE_POSTGRES(pg);
      conn_ = pg;
    } else {
      conn_ = testenv::SqliteConnStr(dir_.file("t.db"));
    }
    RunSql(conn_, {"drop table if exists customers",
                   "create table customers (id integer, name varchar(20), city varchar(20))",
                   "insert into customers values (1,'Ann','Oslo'),(2,'Bob','Bern'),"
                   "(3,'Cid','Lund'),(4,'Dot',null)"});
  }
  void TearDown() override {
    engine_.Clear();
    DataSourceFunctionsTest::TearDown();
  }
  // Gives the engine its custom connection: the node's own connection.
  void UseEngineConnection() {
    db_ = CDB::newDB();
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    info.conStr = conn_;
    ASSERT_TRUE(CDB::isOK(db_->Connect(info))) << db_->ErrorText();
    ASSERT_EQ(engine_.SetConnection(db_.get()), 0);
  }
  std::string conn_;
  std::unique_ptr<CDB> db_;
};

TEST_P(TableFunctionsTest, TableReadsThroughTheEnginesOrANamedConnection) {
  ExpectError("$Table(customers,city)", 1502,
              "FromTable: no default or custom database connection specified.");
  const Texts named = Rows("$Table(customers,city,0,id < 3," + conn_ + ")", 6);
  for (const std::string& v : named) EXPECT_TRUE(v == "Oslo" || v == "Bern") << v;
  UseEngineConnection();
  std::set<std::string> seen;
  for (const std::string& v : Rows("$Table(customers,city,1)", 6)) seen.insert(v);
  EXPECT_EQ(seen, (std::set<std::string>{"Oslo", "Bern", "Lund"}));
  ExpectError("$Table(customers)", 1500, "FromTable: the function expects at least 2 parameters.");
  ExpectError("$Table(customers,city,0,,DRIVER=NoSuchDriver)", 1501,
              "FromTable: could not connect to custom data source.");
  engine_.Reset();
  int code = 0;
  Row("$Table(nowhere,city)", &code);
  EXPECT_EQ(code, 1503);
  EXPECT_FALSE(engine_.ErrorMessage().empty());
  ExpectError("$Table(customers;drop table customers,city)", 1503, "Invalid table name");
}

TEST_P(TableFunctionsTest, TableGroupServesRowsInOrderOrAtRandom) {
  UseEngineConnection();
  ExpectError("$TableGroup(2,customers)", 1600,
              "GroupFromTable: the function expects at least 3 parameters.");
  engine_.Reset();
  Texts names, cities;
  for (int i = 0; i < 4; ++i) {
    names.push_back(Row("$TableGroup(2,customers,name,city,1)"));
    cities.push_back(Row("$Group(2,2)"));
    EXPECT_EQ(Row("$Group(2,3)"), "");  // the flag is not a column
    engine_.NextRow();
  }
  // psqlODBC and SQLite both give rows of a plain table in insertion order.
  EXPECT_EQ(names, (Texts{"Ann", "Bob", "Cid", "Dot"}));
  EXPECT_EQ(cities, (Texts{"Oslo", "Bern", "Lund", ""}));
  engine_.Reset();
  for (int i = 0; i < 8; ++i) {
    const std::string id = Row("$TableGroup(3,customers,id,name,0)");
    ASSERT_FALSE(id.empty());
    const std::string name = Row("$Group(3,2)");
    EXPECT_EQ(name, Texts({"Ann", "Bob", "Cid", "Dot"})[std::stoul(id) - 1]);
    engine_.NextRow();
  }
  engine_.Reset();
  int code = 0;
  Row("$TableGroup(2,nowhere,name)", &code);
  EXPECT_EQ(code, 1601);
}

TEST_P(TableFunctionsTest, TableGroupCConnectsItself) {
  ExpectError("$TableGroupC(1," + conn_ + ",,,customers)", 1602,
              "GroupFromTable: this call version expects at least 6 parameters.");
  ExpectError("$TableGroupC(1,DRIVER=NoSuchDriver,u,p,customers,name)", 1604,
              "GroupFromTable: could not connect to custom data source.");
  EXPECT_EQ(Rows("$TableGroupC(1," + conn_ + ",,,customers,name,1)", 5),
            (Texts{"Ann", "Bob", "Cid", "Dot", "Ann"}));
  // Without any connection the unconnected reader says so.
  ExpectError("$TableGroup(2,customers,name)", 1601, "Not connected");
}

TEST_P(TableFunctionsTest, QueryReadsTheFirstColumn) {
  ExpectError("$Query()", 1100, "ByQuery: no query present.");
  ExpectError("$Query(select name from customers)", 1102,
              "ByQuery: no default or custom database connection specified.");
  ExpectError("$Query(select name from customers,0,DRIVER=NoSuchDriver)", 1101,
              "ByQuery: could not connect to custom data source.");
  EXPECT_EQ(Rows("$Query((select name, id from customers order by id desc),1," + conn_ + ")", 5),
            (Texts{"Dot", "Cid", "Bob", "Ann", "Dot"}));
  UseEngineConnection();
  const std::string statement = Write("q.sql", "select city from customers where id = 3\n");
  EXPECT_EQ(Rows("$Query($File(" + statement + "))", 2), (Texts{"Lund", "Lund"}));
  engine_.Reset();
  int code = 0;
  Row("$Query(select nothing from nowhere)", &code);
  EXPECT_EQ(code, 1103);
}

TEST_P(TableFunctionsTest, QueryGroupReadsRowsOfTheResult) {
  ExpectError("$QueryGroup(1)", 1700,
              "GroupByQuery: the function expects at least 2 parameters: group and query.");
  ExpectError("$QueryGroup(1,select name from customers)", 1702,
              "GroupByQuery: no default or custom database connection specified.");
  ExpectError("$QueryGroup(1,select name from customers,0,DRIVER=NoSuchDriver)", 1704,
              "GroupByQuery: could not connect to custom data source.");
  engine_.Reset();
  Texts pairs;
  for (int i = 0; i < 3; ++i) {
    const std::string name =
        Row("$QueryGroup(4,(select name, city from customers order by id),1," + conn_ + ")");
    pairs.push_back(name + "/" + Row("$Group(4,2)"));
    engine_.NextRow();
  }
  EXPECT_EQ(pairs, (Texts{"Ann/Oslo", "Bob/Bern", "Cid/Lund"}));
  UseEngineConnection();
  engine_.Reset();
  int code = 0;
  Row("$QueryGroup(4,select nothing from nowhere)", &code);
  EXPECT_EQ(code, 1701);
}

INSTANTIATE_TEST_SUITE_P(Servers, TableFunctionsTest,
                         ::testing::Values(Server::kSqlite, Server::kPostgres),
                         [](const auto& info) {
                           return info.param == Server::kSqlite ? "Sqlite" : "Postgres";
                         });

// ---------------------------------------------------------------- files of other programs

// Nothing here can write an Access database (MDB Tools only reads them), so
// only the failures before and at the driver are tested.
TEST_F(DataSourceFunctionsTest, MSAccessReportsWhatItCannotOpen) {
  ExpectError("$MSAccess(a.mdb,t)", 1400, "AccessData: the function expects at least 3 parameters.");
  const std::string missing = dir_.file("missing.mdb");
  ExpectError("$MSAccess(" + missing + ",t,c)", 1401,
              "AccessData: could not open '" + missing + "' file [");
  engine_.Reset();
  int code = 0;
  Row("$MSAccess(" + Write("text.mdb", "not a database") + ",t,c)", &code);
  EXPECT_TRUE(code == 1401 || code == 1) << code << ": " << engine_.ErrorMessage();
}

TEST_F(DataSourceFunctionsTest, MSExcelReadsDistinctValuesOfASheetColumn) {
  const std::string book = FixturePath("book.xls");
  std::set<std::string> seen;
  for (const std::string& v : Rows("$MSExcel(" + book + ",Sheet1,Name)", 30)) seen.insert(v);
  EXPECT_EQ(seen, (std::set<std::string>{"Alice", "Bob", "Carol", "Dave"}));
  ExpectError("$MSExcel(" + book + ",Sheet1)", 1000,
              "ExcelData: the function expects at least 3 parameters.");
  ExpectError("$MSExcel(" + dir_.file("none.xls") + ",Sheet1,Name)", 1001,
              "ExcelData: could not open '" + dir_.file("none.xls") + "' file [");
  ExpectError("$MSExcel(" + book + ",Sheet1,Salary)", 1, "Column 'Salary' not found");
}

TEST_F(DataSourceFunctionsTest, MSExcelGroupServesAlignedRows) {
  const std::string book = FixturePath("book.xls");
  engine_.Reset();
  Texts pairs;
  for (int i = 0; i < 6; ++i) {
    const std::string name = Row("$MSExcelGroup(1," + book + ",Sheet1,Name,City,1)");
    pairs.push_back(name + "/" + Row("$Group(1,2)"));
    engine_.NextRow();
  }
  EXPECT_EQ(pairs, (Texts{"Alice/Oslo", "Bob/Bergen", "Alice/Oslo", "Carol/", "Dave/Oslo",
                          "Alice/Oslo"}));
  ExpectError("$MSExcelGroup(1," + book + ",Sheet1,Name)", 1050,
              "ExcelGroup: the function expects at least 5 parameters.");
  ExpectError("$MSExcelGroup(1,/dev/zero,Sheet1,Name,City)", 1051,
              "ExcelGroup: could not open '/dev/zero' file [");
  ExpectError("$MSExcelGroup(1," + book + ",Sheet9,Name,City)", 1052, "Sheet 'Sheet9' not found");
}

TEST_F(DataSourceFunctionsTest, XmlReturnsTextsOfSelectedNodes) {
  const std::string file =
      Write("d.xml", "<r><i k=\"a\">one</i><i k=\"b\">two</i></r>");
  for (const std::string& v : Rows("$XML(" + file + ",//i)", 10))
    EXPECT_TRUE(v == "one" || v == "two") << v;
  EXPECT_EQ(Rows("$XML(" + file + ",//i[@k='b']/@k)", 2), (Texts{"b", "b"}));
  EXPECT_EQ(Rows("$XML(" + file + ",//none)", 1), (Texts{""}));
  ExpectError("$XML(" + file + ")", 2500, "XMLData: the function has two parameters.");
  ExpectError("$XML(" + dir_.file("no.xml") + ",//i)", 2501,
              "XMLData: '" + dir_.file("no.xml") + "' file inaccesible or does not exist.");
  ExpectError("$XML(" + Write("bad.xml", "<r><i></r>") + ",//i)", 2502,
              "XMLData: could not load XML file. ");
  ExpectError("$XML(" + file + ",//[)", 2503, "XMLData: could not select nodes. ");
}

TEST_F(DataSourceFunctionsTest, DllCallsTheLibrarysExports) {
  // Install got the first parameter; GetValue is called with 0 once per value.
  const std::string prefix = std::string(QUARNEL_TESTGEN_FULL) + ":0:";
  const Texts full = Rows("$DLL(" + std::string(QUARNEL_TESTGEN_FULL) + ",extra)", 2);
  ASSERT_EQ(full[0].substr(0, prefix.size()), prefix);
  ASSERT_EQ(full[1].substr(0, prefix.size()), prefix);
  EXPECT_EQ(std::stoi(full[1].substr(prefix.size())), std::stoi(full[0].substr(prefix.size())) + 1);
  EXPECT_EQ(Rows("$DLL(" + std::string(QUARNEL_TESTGEN_VALUEONLY) + ")", 2),
            (Texts{"plain", "plain"}));
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&freexl_version), &info), 0);
  EXPECT_EQ(Rows("$DLL(" + std::string(info.dli_fname) + ")", 1), (Texts{""}));
  ExpectError("$DLL()", 2600, "DLLData: expects at least one paremeter");
  ExpectError("$DLL(" + dir_.file("none.so") + ")", 2601, "DLLData: DLL not found or inaccesible");
  ExpectError("$DLL(" + Write("fake.so", "text") + ")", 2601, "DLLData: DLL not found");
}

}  // namespace
