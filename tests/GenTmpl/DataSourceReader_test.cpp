// The source layer under the data-source pattern functions: the readers over
// ODBC, over CDB and over .xls workbooks, name checking, text files, XML and
// custom generator libraries.
#include <dlfcn.h>
#include <fcntl.h>
#include <freexl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "GenTmpl/SourceCdb.h"
#include "GenTmpl/SourceDll.h"
#include "GenTmpl/SourceFile.h"
#include "GenTmpl/SourceOdbc.h"
#include "GenTmpl/SourceReader.h"
#include "GenTmpl/SourceXls.h"
#include "GenTmpl/SourceXml.h"
#include "support/Database.h"
#include "tests/common/TestEnv.h"

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;
using Columns = std::vector<Texts>;

namespace {

Texts Sorted(Texts v) {
  std::sort(v.begin(), v.end());
  return v;
}

std::string FixturePath(const char* name) {
  return (testenv::SourceDir() / "tests/GenTmpl/fixtures" / name).string();
}

// ---------------------------------------------------------------- names

struct NameCase {
  const char* name;
  bool safe;
};

class SafeNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SafeNameTest, AcceptsOnlyWellFormedNames) {
  EXPECT_EQ(IsSafeSqlName(GetParam().name), GetParam().safe) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Names, SafeNameTest,
    ::testing::Values(NameCase{"people", true}, NameCase{"public.people", true},
                      NameCase{"\"Mixed Case\"", true}, NameCase{"\"a\"\"b\"", true},
                      NameCase{"[Order Details]", true}, NameCase{"`Sheet1$`", true},
                      NameCase{"s.\"t\"", true}, NameCase{"\"s\".[t]", true},
                      NameCase{"", false}, NameCase{"a b", false}, NameCase{"t;drop table t", false},
                      NameCase{"\"a\" from x; --", false}, NameCase{"\"open", false},
                      NameCase{"[a]b]", false}, NameCase{"a.", false}, NameCase{".a", false},
                      NameCase{"\"\"", false}, NameCase{"f(x)", false},
                      NameCase{"a'b", false}));

TEST(SourceNames, QuotesPlainNamesAndRefusesBreakouts) {
  std::string out;
  ASSERT_TRUE(QuoteSqlName("First Name", '"', '"', out));
  EXPECT_EQ(out, "\"First Name\"");
  ASSERT_TRUE(QuoteSqlName("[Already]", '"', '"', out));
  EXPECT_EQ(out, "[Already]");
  EXPECT_FALSE(QuoteSqlName("a\" from t; drop table t; --", '"', '"', out));
  EXPECT_FALSE(QuoteSqlName("\"a\" , b", '"', '"', out));
  EXPECT_FALSE(QuoteSqlName("", '"', '"', out));
}

TEST(SourceNames, BuildsTheStatementsReadersSend) {
  std::string sql, error;
  ASSERT_TRUE(BuildDistinctStatement("people", "city", "", sql, error));
  EXPECT_EQ(sql, "select distinct city from people where city is not null");
  ASSERT_TRUE(BuildDistinctStatement("people", "city", "age > 3", sql, error));
  EXPECT_EQ(sql, "select distinct city from people where city is not null and age > 3");
  ASSERT_TRUE(BuildColumnsStatement("people", {"name", "", "`city`"}, '"', '"', sql, error));
  EXPECT_EQ(sql, "select \"name\",`city` from people");
  EXPECT_FALSE(BuildColumnsStatement("people", {"", ""}, '"', '"', sql, error));
  EXPECT_FALSE(BuildDistinctStatement("people;delete from people", "city", "", sql, error));
  EXPECT_NE(error.find("table"), std::string::npos);
}

TEST(SourceNames, ConnectionStringsCarryCredentialsAndFiles) {
  EXPECT_EQ(WithCredentials("DSN=x", "", ""), "DSN=x");
  EXPECT_EQ(WithCredentials("DSN=x", "me", "a;b"), "DSN=x;UID=me;PWD={a;b};");
  EXPECT_EQ(WithCredentials("DSN=x;", "", "p}w"), "DSN=x;PWD={p}}w};");
  testenv::TempDir dir;
  const std::string file = dir.file("data.mdb");
  testenv::WriteFile(file, "x");
  std::string out, error;
  ASSERT_TRUE(FileConnectString(file, SourceReader::kAccessFile, true, out, error));
  EXPECT_EQ(out, "DRIVER=MDBTools;DBQ=" + file + ";ReadOnly=1;");
  ASSERT_TRUE(FileConnectString(file, SourceReader::kAccessFile, false, out, error));
  EXPECT_EQ(out.find("ReadOnly"), std::string::npos);
  EXPECT_FALSE(FileConnectString(dir.file("missing.mdb"), SourceReader::kAccessFile, true, out,
                                 error));
  EXPECT_FALSE(FileConnectString("/dev/zero", SourceReader::kAccessFile, true, out, error));
  EXPECT_FALSE(FileConnectString(file, SourceReader::kExcelFile, true, out, error));
  const std::string odd = dir.file("a;b.mdb");
  testenv::WriteFile(odd, "x");
  EXPECT_FALSE(FileConnectString(odd, SourceReader::kAccessFile, true, out, error));
  EXPECT_NE(error.find("connection string"), std::string::npos);
}

// ---------------------------------------------------------------- SQL readers

enum class Server { kSqlite, kPostgres };
enum class Impl { kOdbc, kCdb };

void Exec(CDB& db, const std::string& sql) {
  ASSERT_TRUE(CDB::isOK(db.Exec(sql))) << sql << ": " << db.ErrorText();
  db.FreeStmt();
}

class SqlReaderTest : public ::testing::TestWithParam<std::tuple<Server, Impl>> {
 protected:
  void SetUp() override {
    if (std::get<0>(GetParam()) == Server::kPostgres) {
      REQUIRE_POSTGRES(pg);
      conn_ = pg;
    } else {
      conn_ = testenv::SqliteConnStr(dir_.file("src.db"));
    }
    auto db = CDB::newDB();
    CONN_INFO info;
    info.ConType = CONN_INFO::kOdbc;
    info.conStr = conn_;
    ASSERT_TRUE(CDB::isOK(db->Connect(info))) << db->ErrorText();
    Exec(*db, "drop table if exists ds_people");
    Exec(*db, "drop table if exists \"Mixed Case\"");
    Exec(*db, "create table ds_people (name varchar(40), city varchar(40), age integer)");
    Exec(*db, "insert into ds_people values ('Ann','Oslo',30),('Bob','Bergen',41),"
              "('Cid',null,25),('Dot','Oslo',52)");
    Exec(*db, "create table \"Mixed Case\" (\"First Name\" varchar(20))");
    Exec(*db, "insert into \"Mixed Case\" values ('Eve')");
    if (std::get<1>(GetParam()) == Impl::kOdbc)
      reader_ = std::make_unique<OdbcSourceReader>();
    else
      reader_ = std::make_unique<CdbSourceReader>();
    ASSERT_EQ(reader_->Connect(conn_, "", ""), 0) << reader_->LastError();
    ASSERT_TRUE(reader_->Connected());
  }

  testenv::TempDir dir_;
  std::string conn_;
  std::unique_ptr<SourceReader> reader_;
};

TEST_P(SqlReaderTest, ReadsDistinctValuesWithAndWithoutCondition) {
  Texts values;
  ASSERT_EQ(reader_->DistinctValues("ds_people", "city", "", values), 0) << reader_->LastError();
  EXPECT_EQ(Sorted(values), (Texts{"Bergen", "Oslo"}));
  ASSERT_EQ(reader_->DistinctValues("ds_people", "name", "age > 40", values), 0);
  EXPECT_EQ(Sorted(values), (Texts{"Bob", "Dot"}));
}

TEST_P(SqlReaderTest, ReadsAlignedColumnsAndQuotesNames) {
  Columns columns;
  ASSERT_EQ(reader_->ColumnValues("ds_people", {"name", "", "city"}, columns), 0)
      << reader_->LastError();
  ASSERT_EQ(columns.size(), 2u);
  ASSERT_EQ(columns[0].size(), 4u);
  ASSERT_EQ(columns[1].size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    if (columns[0][i] == "Cid") {
      EXPECT_EQ(columns[1][i], "");  // NULL keeps its row
    } else if (columns[0][i] == "Bob") {
      EXPECT_EQ(columns[1][i], "Bergen");
    }
  }
  ASSERT_EQ(reader_->ColumnValues("\"Mixed Case\"", {"First Name"}, columns), 0)
      << reader_->LastError();
  EXPECT_EQ(columns, (Columns{{"Eve"}}));
}

TEST_P(SqlReaderTest, ReadsQueries) {
  Columns columns;
  ASSERT_EQ(reader_->QueryColumns("select name, age from ds_people order by name", columns), 0);
  EXPECT_EQ(columns, (Columns{{"Ann", "Bob", "Cid", "Dot"}, {"30", "41", "25", "52"}}));
  Texts values;
  ASSERT_EQ(reader_->QueryValues("select name, age from ds_people order by age desc", values), 0);
  EXPECT_EQ(values, (Texts{"Dot", "Bob", "Ann", "Cid"}));
  ASSERT_EQ(reader_->QueryValues("select name from ds_people where age > 99", values), 0);
  EXPECT_TRUE(values.empty());
}

TEST_P(SqlReaderTest, ReportsDriverErrorsAndRefusesHostileNames) {
  Texts values;
  EXPECT_EQ(reader_->QueryValues("select nothing from nowhere", values), -1);
  EXPECT_FALSE(reader_->LastError().empty());
  EXPECT_EQ(reader_->DistinctValues("ds_people; drop table ds_people", "name", "", values), -1);
  EXPECT_NE(reader_->LastError().find("Invalid table name"), std::string::npos);
  Columns columns;
  EXPECT_EQ(reader_->ColumnValues("ds_people", {"name\" from ds_people; drop table ds_people; --"},
                                  columns),
            -1);
  EXPECT_NE(reader_->LastError().find("Invalid column name"), std::string::npos);
  // Nothing was dropped.
  ASSERT_EQ(reader_->QueryValues("select name from ds_people", values), 0);
  EXPECT_EQ(values.size(), 4u);
  reader_->Disconnect();
  EXPECT_FALSE(reader_->Connected());
  EXPECT_EQ(reader_->QueryValues("select name from ds_people", values), -1);
  EXPECT_NE(reader_->LastError().find("Not connected"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Readers, SqlReaderTest,
    ::testing::Combine(::testing::Values(Server::kSqlite, Server::kPostgres),
                       ::testing::Values(Impl::kOdbc, Impl::kCdb)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param) == Server::kSqlite ? "Sqlite" : "Postgres") +
             (std::get<1>(info.param) == Impl::kOdbc ? "Odbc" : "Cdb");
    });

TEST(OdbcSourceReader, ReportsConnectFailuresWithDiagnostics) {
  OdbcSourceReader reader;
  EXPECT_EQ(reader.Connect("NoSuchDataSource", "u", "p"), -1);
  EXPECT_NE(reader.LastError().find("["), std::string::npos) << reader.LastError();
  EXPECT_EQ(reader.Connect("", "", ""), -1);
  EXPECT_EQ(reader.Connect("DRIVER=NoSuchDriver;Database=x", "", ""), -1);
  EXPECT_FALSE(reader.LastError().empty());
  EXPECT_FALSE(reader.Connected());
}

// No .mdb file can be made on this platform (MDB Tools only reads them), so
// the Access path is tested up to the driver: refusals before it, and the
// driver's own refusal of a file that is not an Access database.
TEST(OdbcSourceReader, OpensAccessFilesOnlyWhenTheyAreFiles) {
  testenv::TempDir dir;
  OdbcSourceReader reader;
  EXPECT_EQ(reader.OpenFile(dir.file("missing.mdb"), SourceReader::kAccessFile, true), -1);
  EXPECT_NE(reader.LastError().find("missing.mdb"), std::string::npos);
  EXPECT_EQ(reader.OpenFile(dir.path().string(), SourceReader::kAccessFile, true), -1);
  EXPECT_EQ(reader.OpenFile("/dev/zero", SourceReader::kAccessFile, true), -1);
  const std::string text = dir.file("not-access.mdb");
  testenv::WriteFile(text, "just text\n");
  Texts values;
  if (reader.OpenFile(text, SourceReader::kAccessFile, true) == 0) {
    // The driver connects lazily; reading must fail then.
    EXPECT_EQ(reader.DistinctValues("[t]", "[c]", "", values), -1);
  } else {
    EXPECT_FALSE(reader.LastError().empty());
  }
  EXPECT_EQ(reader.OpenFile(text, SourceReader::kExcelFile, true), -1);
}

TEST(CdbSourceReader, BorrowsAConnectionWithoutOwningIt) {
  testenv::TempDir dir;
  auto db = CDB::newDB();
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = testenv::SqliteConnStr(dir.file("b.db"));
  ASSERT_TRUE(CDB::isOK(db->Connect(info)));
  Exec(*db, "create table t (v text)");
  Exec(*db, "insert into t values ('x'),('y')");
  {
    CdbSourceReader reader(*db);
    EXPECT_TRUE(reader.Connected());
    Texts values;
    ASSERT_EQ(reader.QueryValues("select v from t order by v", values), 0);
    EXPECT_EQ(values, (Texts{"x", "y"}));
    EXPECT_EQ(reader.Connect("DSN=other", "", ""), -1);
    EXPECT_EQ(reader.OpenFile(dir.file("b.db"), SourceReader::kAccessFile, true), -1);
    reader.Disconnect();
  }
  EXPECT_TRUE(db->connected());
}

TEST(SourceReaderFactory, MakesAReaderPerFileKind) {
  EXPECT_NE(dynamic_cast<OdbcSourceReader*>(NewFileSourceReader(SourceReader::kAccessFile).get()),
            nullptr);
  EXPECT_NE(dynamic_cast<XlsSourceReader*>(NewFileSourceReader(SourceReader::kExcelFile).get()),
            nullptr);
  EXPECT_EQ(NewFileSourceReader(7), nullptr);
}

// ---------------------------------------------------------------- workbooks

// tests/GenTmpl/fixtures/book.xls is book-Sheet1.csv converted once (as
// Sheet1.csv, so the sheet is "Sheet1") with
//   soffice --headless --convert-to xls Sheet1.csv
class XlsReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(reader_.OpenFile(FixturePath("book.xls"), SourceReader::kExcelFile, true), 0)
        << reader_.LastError();
  }
  XlsSourceReader reader_;
};

TEST_F(XlsReaderTest, ReadsDistinctValuesOfAColumn) {
  Texts values;
  ASSERT_EQ(reader_.DistinctValues("`Sheet1$`", "`Name`", "", values), 0) << reader_.LastError();
  EXPECT_EQ(values, (Texts{"Alice", "Bob", "Carol", "Dave"}));
  ASSERT_EQ(reader_.DistinctValues("Sheet1", "city", "", values), 0);
  EXPECT_EQ(values, (Texts{"Oslo", "Bergen"}));
  ASSERT_EQ(reader_.DistinctValues("[sheet1$]", "Age", "", values), 0);
  EXPECT_EQ(values, (Texts{"30", "41", "25", "3.5"}));
}

TEST_F(XlsReaderTest, ReadsAlignedColumns) {
  Columns columns;
  ASSERT_EQ(reader_.ColumnValues("`Sheet1$`", {"`Name`", "", "`City`"}, columns), 0);
  EXPECT_EQ(columns, (Columns{{"Alice", "Bob", "Alice", "Carol", "Dave"},
                              {"Oslo", "Bergen", "Oslo", "", "Oslo"}}));
}

TEST_F(XlsReaderTest, AnswersTheSelectFormsOnly) {
  Columns columns;
  ASSERT_EQ(reader_.QueryColumns(
                "select distinct `Name`, `City` from `Sheet1$` where `City` is not null;", columns),
            0)
      << reader_.LastError();
  EXPECT_EQ(columns, (Columns{{"Alice", "Bob", "Dave"}, {"Oslo", "Bergen", "Oslo"}}));
  Texts values;
  ASSERT_EQ(reader_.QueryValues("SELECT * FROM [Sheet1$]", values), 0);
  EXPECT_EQ(values.size(), 5u);
  for (const char* bad : {"delete from Sheet1", "select Name from Sheet1 where Age > 3",
                          "select Name, from Sheet1", "select `Name from Sheet1", "select",
                          "select Name from Sheet1 extra", ""}) {
    EXPECT_EQ(reader_.QueryValues(bad, values), -1) << bad;
    EXPECT_NE(reader_.LastError().find("Workbook sheets answer only"), std::string::npos) << bad;
  }
}

TEST_F(XlsReaderTest, ReportsMissingSheetsColumnsAndConditions) {
  Texts values;
  EXPECT_EQ(reader_.DistinctValues("Nope", "Name", "", values), -1);
  EXPECT_NE(reader_.LastError().find("Sheet 'Nope' not found"), std::string::npos);
  EXPECT_EQ(reader_.DistinctValues("Sheet1", "Salary", "", values), -1);
  EXPECT_NE(reader_.LastError().find("Column 'Salary' not found"), std::string::npos);
  EXPECT_EQ(reader_.DistinctValues("Sheet1", "Name", "Age > 3", values), -1);
  Columns columns;
  EXPECT_EQ(reader_.ColumnValues("Sheet1", {""}, columns), -1);
  EXPECT_EQ(reader_.Connect("DSN=x", "", ""), -1);
  EXPECT_FALSE(reader_.Connected());
  EXPECT_EQ(reader_.DistinctValues("Sheet1", "Name", "", values), -1);
  EXPECT_NE(reader_.LastError().find("No workbook"), std::string::npos);
}

TEST(XlsSourceReader, RefusesWhatIsNotAWorkbook) {
  testenv::TempDir dir;
  XlsSourceReader reader;
  const std::string text = dir.file("book.xls");
  testenv::WriteFile(text, "Name,City\nA,B\n");
  EXPECT_EQ(reader.OpenFile(text, SourceReader::kExcelFile, true), -1);
  EXPECT_NE(reader.LastError().find("not a readable .xls"), std::string::npos);
  for (const std::string& path : {dir.file("missing.xls"), dir.path().string(),
                                  std::string("/dev/zero")}) {
    EXPECT_EQ(reader.OpenFile(path, SourceReader::kExcelFile, true), -1) << path;
  }
  EXPECT_EQ(reader.OpenFile(FixturePath("book.xls"), SourceReader::kAccessFile, true), -1);
}

// ---------------------------------------------------------------- text files

TEST(SourceFile, ReadsRegularFilesOnly) {
  testenv::TempDir dir;
  std::string text, error;
  const std::string file = dir.file("a.txt");
  testenv::WriteFile(file, "one\ntwo\n");
  ASSERT_EQ(ReadSourceFile(file, text, error), 0) << error;
  EXPECT_EQ(text, "one\ntwo\n");
  EXPECT_EQ(ReadSourceFile(dir.file("missing"), text, error), -1);
  EXPECT_EQ(ReadSourceFile(dir.path().string(), text, error), -1);
  EXPECT_NE(error.find("directory"), std::string::npos);
  EXPECT_EQ(ReadSourceFile("/dev/zero", text, error), -1);
  EXPECT_NE(error.find("not a regular file"), std::string::npos);
  EXPECT_EQ(ReadSourceFile("", text, error), -1);
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadSourceFile(fifo, text, error), -1);  // at once, with no writer
  EXPECT_EQ(ReadSourceFile(file, text, error, 4), -1);
  EXPECT_NE(error.find("larger than the limit"), std::string::npos);
  EXPECT_TRUE(text.empty());
}

TEST(SourceFile, RefusesAFileOverTheCapWithoutReadingIt) {
  testenv::TempDir dir;
  const std::string huge = dir.file("huge.txt");
  {
    const int fd = ::open(huge.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    // Sparse: costs no disk space.
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(kMaxSourceFileBytes) + 1), 0);
    ::close(fd);
  }
  std::string text, error;
  EXPECT_EQ(ReadSourceFile(huge, text, error), -1);
  EXPECT_NE(error.find("larger than the limit"), std::string::npos);
}

struct LinesCase {
  const char* text;
  Texts lines;
};

class SourceLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(SourceLinesTest, SplitsAtLineEnds) {
  Texts lines;
  std::string error;
  ASSERT_EQ(SplitSourceLines(GetParam().text, lines, error), 0);
  EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SourceLinesTest,
    ::testing::Values(LinesCase{"", {}}, LinesCase{"a", {"a"}}, LinesCase{"a\n", {"a"}},
                      LinesCase{"a\r\nb", {"a", "b"}}, LinesCase{"a\n\nb\n", {"a", "", "b"}},
                      LinesCase{"\xEF\xBB\xBFx\r\n", {"x"}}, LinesCase{"a\rb", {"a\rb"}},
                      LinesCase{"\n", {""}}));

TEST(SourceFile, SplitsFieldsAtEveryOccurrenceOfTheSeparator) {
  Columns fields;
  size_t budget = 1 << 20;
  ASSERT_TRUE(AppendLineFields("a::b::c", "::", fields, budget));
  ASSERT_TRUE(AppendLineFields("d", "::", fields, budget));
  ASSERT_TRUE(AppendLineFields("e::", "::", fields, budget));
  // Every line is a row of every array.
  EXPECT_EQ(fields, (Columns{{"a", "d", "e"}, {"b", "", ""}, {"c", "", ""}}));
  ASSERT_TRUE(AppendLineFields("p::q::r::s", "::", fields, budget));
  EXPECT_EQ(fields, (Columns{{"a", "d", "e", "p"}, {"b", "", "", "q"}, {"c", "", "", "r"}, {"", "", "", "s"}}));
  ASSERT_TRUE(AppendLineFields("x,y", "", fields, budget));
  EXPECT_EQ(fields, (Columns{{"a", "d", "e", "p", "x,y"}, {"b", "", "", "q", ""}, {"c", "", "", "r", ""}, {"", "", "", "s", ""}}));
  // A line of separators only costs its pieces' bookkeeping.
  size_t small = 10 * sizeof(std::string);
  Columns many;
  EXPECT_FALSE(AppendLineFields(std::string(100, ','), ",", many, small));
  EXPECT_TRUE(many.empty());
}

// ---------------------------------------------------------------- XML

class XmlSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = dir_.file("people.xml");
    testenv::WriteFile(file_,
                       "<?xml version=\"1.0\"?><people>"
                       "<p id=\"1\"><name>Ann</name><city>Oslo</city></p>"
                       "<p id=\"2\"><name>B<b>o</b>b</name></p>"
                       "<p id=\"3\"><name><![CDATA[C&D]]></name></p></people>");
  }
  testenv::TempDir dir_;
  std::string file_;
};

TEST_F(XmlSourceTest, SelectsElementsAttributesAndTextNodes) {
  Texts texts;
  std::string error;
  ASSERT_EQ(SelectXmlTexts(file_, "//p/name", texts, error), XmlSourceStatus::kOk) << error;
  EXPECT_EQ(texts, (Texts{"Ann", "Bob", "C&D"}));
  ASSERT_EQ(SelectXmlTexts(file_, "/people/p/@id", texts, error), XmlSourceStatus::kOk);
  EXPECT_EQ(texts, (Texts{"1", "2", "3"}));
  ASSERT_EQ(SelectXmlTexts(file_, "//city/text()", texts, error), XmlSourceStatus::kOk);
  EXPECT_EQ(texts, (Texts{"Oslo"}));
  ASSERT_EQ(SelectXmlTexts(file_, "//nothing", texts, error), XmlSourceStatus::kOk);
  EXPECT_TRUE(texts.empty());
}

TEST_F(XmlSourceTest, ReportsEachKindOfFailure) {
  Texts texts;
  std::string error;
  EXPECT_EQ(SelectXmlTexts(dir_.file("missing.xml"), "//p", texts, error),
            XmlSourceStatus::kMissing);
  const std::string broken = dir_.file("broken.xml");
  testenv::WriteFile(broken, "<a><b></a>");
  EXPECT_EQ(SelectXmlTexts(broken, "//a", texts, error), XmlSourceStatus::kNotLoaded);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(SelectXmlTexts("/dev/zero", "//a", texts, error), XmlSourceStatus::kNotLoaded);
  EXPECT_EQ(SelectXmlTexts(dir_.path().string(), "//a", texts, error),
            XmlSourceStatus::kNotLoaded);
  EXPECT_EQ(SelectXmlTexts(file_, "//[", texts, error), XmlSourceStatus::kBadXPath);
  EXPECT_EQ(SelectXmlTexts(file_, "count(//p)", texts, error), XmlSourceStatus::kBadXPath);
  EXPECT_TRUE(texts.empty());
}

// ---------------------------------------------------------------- libraries

TEST(GeneratorLibrary, CallsInstallOnceAndGetValuePerValue) {
  GeneratorLibrary library;
  std::string error;
  ASSERT_EQ(library.Load(QUARNEL_TESTGEN_FULL, error), 0) << error;
  ASSERT_TRUE(library.HasGetValue());
  // "installed text:argument:call count"; the count lives as long as the
  // library stays loaded in the process, so only its steps are compared.
  const std::string prefix = std::string(QUARNEL_TESTGEN_FULL) + ":0:";
  std::string first, second;
  library.Value(first);
  library.Value(second);
  ASSERT_EQ(first.substr(0, prefix.size()), prefix);
  ASSERT_EQ(second.substr(0, prefix.size()), prefix);
  EXPECT_EQ(std::stoi(second.substr(prefix.size())), std::stoi(first.substr(prefix.size())) + 1);
}

TEST(GeneratorLibrary, WorksWithoutInstallAndYieldsNothingWithoutGetValue) {
  GeneratorLibrary plain;
  std::string error, out;
  ASSERT_EQ(plain.Load(QUARNEL_TESTGEN_VALUEONLY, error), 0) << error;
  plain.Value(out);
  EXPECT_EQ(out, "plain");
  // FreeXL's own library exports neither function.
  Dl_info info{};
  ASSERT_NE(dladdr(reinterpret_cast<void*>(&freexl_version), &info), 0);
  GeneratorLibrary other;
  ASSERT_EQ(other.Load(info.dli_fname, error), 0) << error;
  EXPECT_FALSE(other.HasGetValue());
  out.clear();
  other.Value(out);
  EXPECT_EQ(out, "");
}

TEST(GeneratorLibrary, RefusesMissingAndNonLibraryFiles) {
  testenv::TempDir dir;
  GeneratorLibrary library;
  std::string error;
  EXPECT_EQ(library.Load(dir.file("missing.so"), error), -1);
  // A bare name is never looked up in the system's library folders.
  EXPECT_EQ(library.Load("libc.so.6", error), -1);
  const std::string text = dir.file("text.so");
  testenv::WriteFile(text, "not a library");
  EXPECT_EQ(library.Load(text, error), -1);
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(library.HasGetValue());
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
}

}  // namespace
