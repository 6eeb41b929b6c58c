// Checks the shipped value library (library.db, built from data/lists/*.tsv) and
// the tool that builds it.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/TestEnv.h"

namespace fs = std::filesystem;

namespace {

fs::path LibraryPath() {
  if (const char* dir = std::getenv("QUARNEL_BINARY_DIR")) {
    fs::path path = fs::path(dir) / "library.db";
    if (fs::exists(path)) return path;
  }
  return QUARNEL_LIBRARY_DB;
}

// Read-only connection to one SQLite file, closed with the object.
class Db {
 public:
  explicit Db(const fs::path& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      error_ = db_ ? sqlite3_errmsg(db_) : "out of memory";
    }
  }
  ~Db() {
    if (db_) sqlite3_close(db_);
  }
  Db(const Db&) = delete;
  Db& operator=(const Db&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

  // Rows of a query, every column as text ("<NULL>" for NULL).
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
      return rows;
    }
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const unsigned char* text = sqlite3_column_text(stmt, i);
        row.push_back(text ? reinterpret_cast<const char*>(text) : "<NULL>");
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    return rows;
  }

  std::vector<std::string> Column(const std::string& sql) {
    std::vector<std::string> values;
    for (auto& row : Rows(sql)) values.push_back(row.at(0));
    return values;
  }

  long long Number(const std::string& sql) {
    auto rows = Rows(sql);
    if (rows.empty() || rows[0].empty()) {
      ADD_FAILURE() << sql << ": no result";
      return -1;
    }
    return std::stoll(rows[0][0]);
  }

  // The values a list offers for a field: the statement the value library runs.
  std::vector<std::string> ListValues(const std::string& list, const std::string& field) {
    return Column("select distinct " + field + " from " + list + " where " + field +
                  " is not null");
  }

 private:
  sqlite3* db_ = nullptr;
  std::string error_;
};

struct ListFields {
  const char* list;
  std::vector<const char*> fields;
};

// The lists and fields every value library carries, in catalogue order.
const std::vector<ListFields>& Catalogue() {
  static const std::vector<ListFields> catalogue = {
      {"Cities", {"Name", "Country", "State"}},
      {"Colors", {"Name"}},
      {"Companies", {"Name", "ShortName", "Domain"}},
      {"Countries", {"Name", "Code2", "Code3", "Capital", "Currency", "CurrencyCode"}},
      {"Departments", {"Name"}},
      {"FirstNames", {"Name"}},
      {"FullNames", {"Name"}},
      {"Industries", {"Name"}},
      {"LastNames", {"Name"}},
      {"Months", {"Name", "ShortName"}},
      {"Occupations", {"Name"}},
      {"Phrases", {"Phrase", "Language"}},
      {"Region", {"Name"}},
      {"Streets", {"Name", "Country"}},
      {"US_States", {"Name", "Code", "Capital"}},
      {"ZipCodes", {"ZipCode", "Country", "City", "State"}},
  };
  return catalogue;
}

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = LibraryPath();
    ASSERT_TRUE(fs::exists(path_)) << path_ << " has not been built";
    db_ = std::make_unique<Db>(path_);
    ASSERT_TRUE(db_->ok()) << path_ << ": " << db_->error();
  }
  fs::path path_;
  std::unique_ptr<Db> db_;
};

TEST_F(LibraryTest, CatalogueListsEveryListAndField) {
  std::map<std::string, long long> listIds;
  for (auto& row : db_->Rows("select ID, Name, Hidden from _Index where Parent=0")) {
    EXPECT_EQ(row[2], "0") << row[1];
    EXPECT_TRUE(listIds.emplace(row[1], std::stoll(row[0])).second) << "list twice: " << row[1];
  }
  for (const ListFields& expected : Catalogue()) {
    ASSERT_TRUE(listIds.count(expected.list)) << expected.list << " missing from _Index";
    const std::string id = std::to_string(listIds[expected.list]);
    std::vector<std::string> names, columns;
    for (auto& row : db_->Rows("select Name, \"Column\", Hidden from _Index where Parent=" + id +
                               " order by ID")) {
      names.push_back(row[0]);
      columns.push_back(row[1]);
      EXPECT_EQ(row[2], "0") << expected.list << "." << row[0];
    }
    std::vector<std::string> want(expected.fields.begin(), expected.fields.end());
    EXPECT_EQ(names, want) << expected.list;
    EXPECT_EQ(columns, want) << expected.list;
  }
}

TEST_F(LibraryTest, CatalogueMatchesTables) {
  std::set<std::string> tables;
  for (auto& name : db_->Column("select name from sqlite_master where type='table'")) {
    tables.insert(name);
  }
  ASSERT_TRUE(tables.count("_Index"));
  tables.erase("_Index");

  std::set<std::string> lists;
  for (auto& row : db_->Rows("select ID, Name from _Index where Parent=0")) {
    lists.insert(row[1]);
    ASSERT_TRUE(tables.count(row[1])) << "catalogue list without table: " << row[1];
    std::set<std::string> tableColumns;
    for (auto& info : db_->Rows("pragma table_info(\"" + row[1] + "\")")) {
      tableColumns.insert(info[1]);
      EXPECT_EQ(info[2], "TEXT") << row[1] << "." << info[1];
    }
    std::set<std::string> catalogueColumns;
    for (auto& column : db_->Column("select \"Column\" from _Index where Parent=" + row[0])) {
      catalogueColumns.insert(column);
    }
    EXPECT_EQ(tableColumns, catalogueColumns) << row[1];
  }
  EXPECT_EQ(lists, tables) << "every table is a catalogued list";
}

TEST_F(LibraryTest, RuleEditorQueriesAnswer) {
  // The statements the rule editor's library page runs.
  auto lists = db_->Column("select Name from _Index where Parent=0 and Hidden=0");
  EXPECT_EQ(lists.size(), Catalogue().size());
  auto fields = db_->Column(
      "select a.Name from _Index a, _Index b where a.Parent=b.ID and b.Name='Countries'");
  EXPECT_EQ(fields.size(), 6u);
  auto columns = db_->Column(
      "select a.Column from _Index a, _Index b where a.Parent=b.ID and b.Name='ZipCodes' and "
      "a.Hidden=0");
  EXPECT_EQ(std::set<std::string>(columns.begin(), columns.end()),
            (std::set<std::string>{"ZipCode", "Country", "City", "State"}));
}

struct Minimum {
  const char* list;
  const char* field;
  size_t distinct;
};

void PrintTo(const Minimum& m, std::ostream* os) { *os << m.list << "." << m.field; }

class ListSizeTest : public LibraryTest, public ::testing::WithParamInterface<Minimum> {};

TEST_P(ListSizeTest, HasEnoughDistinctValues) {
  const Minimum& m = GetParam();
  auto values = db_->ListValues(m.list, m.field);
  EXPECT_GE(values.size(), m.distinct) << m.list << "." << m.field;
  for (const std::string& value : values) {
    EXPECT_FALSE(value.empty()) << m.list << "." << m.field;
    EXPECT_EQ(value.find_first_of("\t\r\n"), std::string::npos) << value;
    EXPECT_NE(value.front(), ' ') << m.list << "." << m.field << ": '" << value << "'";
    EXPECT_NE(value.back(), ' ') << m.list << "." << m.field << ": '" << value << "'";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Library, ListSizeTest,
    ::testing::Values(
        Minimum{"Countries", "Name", 249}, Minimum{"Countries", "Code2", 249},
        Minimum{"Countries", "Code3", 249}, Minimum{"Countries", "Capital", 240},
        Minimum{"Countries", "Currency", 150}, Minimum{"Countries", "CurrencyCode", 150},
        Minimum{"US_States", "Name", 51}, Minimum{"US_States", "Code", 51},
        Minimum{"US_States", "Capital", 51}, Minimum{"Months", "Name", 12},
        Minimum{"Months", "ShortName", 12}, Minimum{"FirstNames", "Name", 1000},
        Minimum{"LastNames", "Name", 1000}, Minimum{"FullNames", "Name", 2000},
        Minimum{"Cities", "Name", 500}, Minimum{"Cities", "Country", 50},
        Minimum{"Cities", "State", 100}, Minimum{"Streets", "Name", 500},
        Minimum{"Streets", "Country", 5}, Minimum{"ZipCodes", "ZipCode", 1000},
        Minimum{"ZipCodes", "Country", 50}, Minimum{"ZipCodes", "City", 500},
        Minimum{"ZipCodes", "State", 100}, Minimum{"Colors", "Name", 100},
        Minimum{"Departments", "Name", 40}, Minimum{"Industries", "Name", 60},
        Minimum{"Occupations", "Name", 300}, Minimum{"Region", "Name", 20},
        Minimum{"Companies", "Name", 300}, Minimum{"Companies", "ShortName", 300},
        Minimum{"Companies", "Domain", 300}, Minimum{"Phrases", "Phrase", 1000},
        Minimum{"Phrases", "Language", 5}),
    [](const ::testing::TestParamInfo<Minimum>& info) {
      return std::string(info.param.list) + "_" + info.param.field;
    });

TEST_F(LibraryTest, CountriesHaveWellFormedCodes) {
  EXPECT_EQ(db_->Number("select count(*) from Countries"), 249);
  for (auto& row : db_->Rows("select Name, Code2, Code3, CurrencyCode from Countries")) {
    ASSERT_EQ(row[1].size(), 2u) << row[0];
    ASSERT_EQ(row[2].size(), 3u) << row[0];
    for (char c : row[1] + row[2]) EXPECT_TRUE(c >= 'A' && c <= 'Z') << row[0];
    if (row[3] != "<NULL>") {
      EXPECT_EQ(row[3].size(), 3u) << row[0];
    }
  }
  auto us = db_->Rows("select Code2, Code3, Capital, CurrencyCode from Countries "
                      "where Name='United States'");
  ASSERT_EQ(us.size(), 1u);
  EXPECT_EQ(us[0], (std::vector<std::string>{"US", "USA", "Washington, D.C.", "USD"}));
}

TEST_F(LibraryTest, MonthsAndStatesAreComplete) {
  EXPECT_EQ(db_->Column("select Name from Months where ShortName='Sep'"),
            std::vector<std::string>{"September"});
  EXPECT_EQ(db_->Number("select count(*) from Months"), 12);
  EXPECT_EQ(db_->Number("select count(*) from US_States"), 51);
  EXPECT_EQ(db_->Column("select Capital from US_States where Code='TX'"),
            std::vector<std::string>{"Austin"});
  EXPECT_EQ(db_->Column("select Name from US_States where Code='DC'"),
            std::vector<std::string>{"District of Columbia"});
}

TEST_F(LibraryTest, ZipCodesBelongToKnownCities) {
  auto orphans = db_->Rows(
      "select z.ZipCode, z.City, z.State, z.Country from ZipCodes z where not exists "
      "(select 1 from Cities c where c.Name=z.City and c.State is z.State and "
      "c.Country=z.Country)");
  for (auto& row : orphans) {
    ADD_FAILURE() << "zip code " << row[0] << " of unknown city " << row[1] << ", " << row[2]
                  << ", " << row[3];
  }
  EXPECT_EQ(db_->Number("select count(*) from ZipCodes where City is null or Country is null"), 0);
}

TEST_F(LibraryTest, PlacesNameKnownCountries) {
  for (const char* list : {"Cities", "Streets", "ZipCodes"}) {
    auto unknown = db_->Column(std::string("select distinct Country from ") + list +
                               " where Country not in (select Name from Countries)");
    EXPECT_TRUE(unknown.empty()) << list << ": " << (unknown.empty() ? "" : unknown[0]);
  }
  auto states = db_->Column(
      "select distinct State from Cities where Country='United States' and State not in "
      "(select Code from US_States)");
  EXPECT_TRUE(states.empty()) << (states.empty() ? "" : states[0]);
}

TEST_F(LibraryTest, PhrasesHave200PerLanguage) {
  for (const char* language : {"EN", "DE", "FR", "ES", "IT"}) {
    SCOPED_TRACE(language);
    const std::string filter = std::string(" and Language='") + language + "'";
    auto phrases = db_->Column("select distinct Phrase from Phrases where Phrase is not null" +
                               filter);
    EXPECT_EQ(phrases.size(), 200u);
    EXPECT_EQ(db_->Number(std::string("select count(*) from Phrases where Language='") +
                          language + "'"),
              200);
    for (const std::string& phrase : phrases) {
      ASSERT_FALSE(phrase.empty());
      EXPECT_TRUE(phrase.back() == '.' || phrase.back() == '?' || phrase.back() == '!') << phrase;
      EXPECT_LE(phrase.size(), 127u) << "longer than the text function's default maximum: "
                                     << phrase;
    }
  }
  EXPECT_EQ(db_->Number("select count(*) from Phrases where Language not in "
                        "('EN','DE','FR','ES','IT') or Language is null"),
            0);
}

TEST_F(LibraryTest, CompanyDomainsAreReserved) {
  const std::vector<std::string> reserved = {".example", ".test", ".example.com", ".example.org",
                                             ".example.net"};
  for (auto& row : db_->Rows("select Name, Domain from Companies")) {
    const std::string& domain = row[1];
    bool ok = false;
    for (const std::string& suffix : reserved) {
      ok = ok || (domain.size() > suffix.size() &&
                  domain.compare(domain.size() - suffix.size(), suffix.size(), suffix) == 0);
    }
    EXPECT_TRUE(ok) << row[0] << ": " << domain;
    for (char c : domain) {
      EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.')
          << domain;
    }
  }
}

// --- makelibrary -----------------------------------------------------------

struct ToolRun {
  int status;
  std::string errors;
};

ToolRun RunTool(const testenv::TempDir& dir, const std::string& output,
                const std::vector<std::string>& sources) {
  std::string command = std::string("'") + QUARNEL_MAKELIBRARY + "' '" + output + "'";
  for (const std::string& source : sources) command += " '" + source + "'";
  const std::string errFile = dir.file("stderr.txt");
  command += " >/dev/null 2>'" + errFile + "'";
  int status = std::system(command.c_str());
  return {status, testenv::ReadFile(errFile)};
}

TEST(MakeLibraryTest, BuildsTablesAndCatalogue) {
  testenv::TempDir dir;
  testenv::WriteFile(dir.file("Pets.tsv"), "Name\tKind\nRex\tdog\nTibbles\t\n");
  testenv::WriteFile(dir.file("Moons.tsv"), "Name\nPhobos\nDeimos\n");
  const std::string out = dir.file("lib.db");
  ToolRun run = RunTool(dir, out, {dir.file("Pets.tsv"), dir.file("Moons.tsv")});
  ASSERT_EQ(run.status, 0) << run.errors;
  ASSERT_FALSE(fs::exists(out + ".tmp"));

  Db db(out);
  ASSERT_TRUE(db.ok()) << db.error();
  // Lists are catalogued in name order, each followed by its fields.
  auto index = db.Rows("select ID, Name, Parent, Hidden, \"Column\" from _Index order by ID");
  std::vector<std::vector<std::string>> want = {
      {"1", "Moons", "0", "0", "<NULL>"}, {"2", "Name", "1", "0", "Name"},
      {"3", "Pets", "0", "0", "<NULL>"},  {"4", "Name", "3", "0", "Name"},
      {"5", "Kind", "3", "0", "Kind"}};
  EXPECT_EQ(index, want);
  EXPECT_EQ(db.Rows("select Name, Kind from Pets"),
            (std::vector<std::vector<std::string>>{{"Rex", "dog"}, {"Tibbles", "<NULL>"}}));
  EXPECT_EQ(db.ListValues("Pets", "Kind"), std::vector<std::string>{"dog"});
}

struct BadSource {
  const char* name;
  const char* text;
  const char* where;   // "file:line" suffix expected in the message, after the path
  const char* reason;  // part of the message
};

void PrintTo(const BadSource& b, std::ostream* os) { *os << b.name; }

class MakeLibraryRejects : public ::testing::TestWithParam<BadSource> {};

TEST_P(MakeLibraryRejects, MalformedSource) {
  const BadSource& bad = GetParam();
  testenv::TempDir dir;
  const std::string good = dir.file("Good.tsv");
  const std::string source = dir.file("Broken.tsv");
  testenv::WriteFile(good, "Name\nfine\n");
  testenv::WriteFile(source, bad.text);
  const std::string out = dir.file("lib.db");
  // A library from an earlier build must survive a failed one untouched.
  testenv::WriteFile(out, "previous library");

  ToolRun run = RunTool(dir, out, {good, source});
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.errors.find(source + bad.where), std::string::npos) << run.errors;
  EXPECT_NE(run.errors.find(bad.reason), std::string::npos) << run.errors;
  EXPECT_EQ(testenv::ReadFile(out), "previous library");
  EXPECT_FALSE(fs::exists(out + ".tmp"));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, MakeLibraryRejects,
    ::testing::Values(
        BadSource{"TooFewFields", "Name\tCode\nAlpha\tA\nBeta\n", ":3:",
                  "expected 2 tab-separated fields, found 1"},
        BadSource{"TooManyFields", "Name\tCode\nAlpha\tA\tx\n", ":2:",
                  "expected 2 tab-separated fields, found 3"},
        BadSource{"DuplicateHeader", "Name\tCode\tname\nAlpha\tA\ta\n", ":1:",
                  "duplicate field 'name'"},
        BadSource{"EmptyFile", "", ": ", "empty file"},
        BadSource{"HeaderOnly", "Name\n", ": ", "no items"},
        BadSource{"BlankLine", "Name\nAlpha\n\nBeta\n", ":3:", "empty line"},
        BadSource{"BadFieldName", "Name\tFirst Name\nA\tB\n", ":1:", "not a plain identifier"},
        BadSource{"InvalidUtf8", "Name\nCaf\xE9\n", ":2:", "not valid UTF-8"}),
    [](const ::testing::TestParamInfo<BadSource>& info) { return std::string(info.param.name); });

TEST(MakeLibraryTest, RejectsTwoSourcesOfOneList) {
  testenv::TempDir dir;
  fs::create_directory(dir.path() / "a");
  fs::create_directory(dir.path() / "b");
  const std::string first = (dir.path() / "a" / "Colors.tsv").string();
  const std::string second = (dir.path() / "b" / "colors.tsv").string();
  testenv::WriteFile(first, "Name\nRed\n");
  testenv::WriteFile(second, "Name\nBlue\n");
  const std::string out = dir.file("lib.db");
  ToolRun run = RunTool(dir, out, {first, second});
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.errors.find("already used by " + first), std::string::npos) << run.errors;
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
