#include "GenTmpl/VLibrary.h"
#include "GenTmpl/LibraryLocation.h"

#include <gtest/gtest.h>

#include <map>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/Database.h"
#include "support/HtmlWriter.h"
#include "support/Log.h"
#include "support/Prompt.h"
#include "tests/common/TestEnv.h"
#include "values/Random.h"

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

namespace {

// Keeps the messages the library shows instead of printing them.
class RecordingPrompt : public Prompt {
 public:
  void Message(std::string_view caption, std::string_view text, PromptIcon) override {
    messages.emplace_back(caption, text);
  }
  PromptAnswer Ask(std::string_view, std::string_view, PromptIcon, PromptButtons,
                   PromptAnswer preselected) override {
    return preselected;
  }
  std::vector<std::pair<std::string, std::string>> messages;
};

Texts Sorted(Texts v) {
  std::sort(v.begin(), v.end());
  return v;
}

constexpr const char* kCreateIndex =
    "create table _Index (ID integer, Name text, Parent integer, Hidden integer, \"Column\" text)";

// Runs statements on a SQLite file through ODBC, creating the file.
void RunSql(const std::string& file, const Texts& statements) {
  auto db = CDB::newDB();
  CONN_INFO info;
  info.ConType = CONN_INFO::kOdbc;
  info.conStr = testenv::SqliteConnStr(file);
  ASSERT_TRUE(CDB::isOK(db->Connect(info))) << db->ErrorText();
  for (const std::string& sql : statements) {
    ASSERT_TRUE(CDB::isOK(db->Exec(sql))) << sql << ": " << db->ErrorText();
    db->FreeStmt();
  }
}

// A small database library: three lists offered, one hidden, one hidden field.
void MakeLibrary(const std::string& file) {
  RunSql(file, {
      kCreateIndex,
      "insert into _Index values (1,'FirstNames',0,0,null),(2,'Name',1,0,'Name'),"
      "(3,'Phrases',0,0,null),(4,'Phrase',3,0,'Phrase'),(5,'Language',3,0,'Language'),"
      "(6,'Countries',0,0,null),(7,'Name',6,0,'Name'),(8,'Code2',6,0,'Code2'),"
      "(9,'Code3',6,1,'Code3'),(10,'Secret',0,1,null),(11,'Name',10,0,'Name')",
      "create table FirstNames (Name text)",
      "insert into FirstNames values ('Anna'),('Bob'),(null),('Anna'),('Carl')",
      "create table Phrases (Phrase text, Language text)",
      "insert into Phrases values ('Good morning.','EN'),('See you soon.','EN'),"
      "('It is late.','EN'),('Guten Morgen.','DE'),('Bis bald.','DE'),('Bonjour.','FR')",
      "create table Countries (Name text, Code2 text, Code3 text)",
      "insert into Countries values ('Germany','DE','DEU'),('France','FR','FRA'),"
      "('Italy','IT','ITA'),('Spain','ES','ESP')",
      "create table Secret (Name text)",
  });
}

class VLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override { SetCurrentPrompt(&prompt); }
  void TearDown() override { SetCurrentPrompt(nullptr); }

  // A database library in the temporary folder, opened.
  void OpenDb() {
    MakeLibrary(dbFile);
    ASSERT_EQ(lib.Open(dbFile, log), 0) << lib.LastError();
  }
  Texts Load(std::string_view list, std::string_view field, std::string_view filter = {},
             int expected = 0) {
    Texts values;
    EXPECT_EQ(lib.LoadList(list, field, filter, values), expected) << lib.LastError();
    return values;
  }

  testenv::TempDir dir;
  std::string dbFile = dir.file("lib.db");
  RecordingPrompt prompt;
  CLog log;
  VLibrary lib;
};

// ---- Loading and the cache -------------------------------------------------

TEST_F(VLibraryTest, SecondLoadOfAListComesFromTheCache) {
  OpenDb();
  EXPECT_EQ(Sorted(Load("FirstNames", "Name")), (Texts{"Anna", "Bob", "Carl"}));
  RunSql(dbFile, {"insert into FirstNames values ('Dora')"});
  // Same three texts in any case: not read again, so no Dora.
  EXPECT_EQ(Sorted(Load("firstnames", "NAME", {}, 1)), (Texts{"Anna", "Bob", "Carl"}));
  // Another filter is another list and is read now.
  EXPECT_EQ(Sorted(Load("FirstNames", "Name", "Name <> 'Bob'")),
            (Texts{"Anna", "Carl", "Dora"}));
  EXPECT_EQ(Sorted(Load("FirstNames", "Name", "NAME <> 'BOB'", 1)),
            (Texts{"Anna", "Carl", "Dora"}));
  EXPECT_NE(log.GetLastRows().find("STATE VLibrary::LoadList"), std::string::npos);
}

TEST_F(VLibraryTest, LanguageFilterNarrowsPhrases) {
  OpenDb();
  EXPECT_EQ(Sorted(Load("Phrases", "Phrase", "Language='DE'")),
            (Texts{"Bis bald.", "Guten Morgen."}));
  EXPECT_EQ(Load("Phrases", "Phrase").size(), 6u);
  EXPECT_EQ(Sorted(Load("Phrases", "Phrase", "Language='DE' or Language='FR'")),
            (Texts{"Bis bald.", "Bonjour.", "Guten Morgen."}));
}

TEST_F(VLibraryTest, LibNameSplitsIntoListAndField) {
  std::string list, field;
  VLibrary::SplitLibName("Countries.Code2", list, field);
  EXPECT_EQ(list, "Countries");
  EXPECT_EQ(field, "Code2");
  VLibrary::SplitLibName("US_States", list, field);
  EXPECT_EQ(list, "US_States");
  EXPECT_EQ(field, "Name");
  VLibrary::SplitLibName("A.B.C", list, field);
  EXPECT_EQ(list, "A");
  EXPECT_EQ(field, "B.C");

  OpenDb();
  VLibrary::SplitLibName("Countries.Code2", list, field);
  EXPECT_EQ(Sorted(Load(list, field)), (Texts{"DE", "ES", "FR", "IT"}));
}

TEST_F(VLibraryTest, FailedLoadIsLoggedAndGivesError1850) {
  OpenDb();
  Texts values{"stale"};
  EXPECT_EQ(lib.LoadList("Nothing", "Name", "", values), VLibrary::kLoadFailed);
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(lib.LastError().rfind("Load list 'Nothing.Name' error: ", 0), 0u) << lib.LastError();
  const std::string rows = log.GetLastRows();
  EXPECT_NE(rows.find("ERROR Load list 'Nothing.Name' error: "), std::string::npos);
  EXPECT_NE(rows.find("VLibrary::LoadList"), std::string::npos);

  int code = 0;
  std::string message;
  EXPECT_EQ(lib.ListValue("Nothing", "Name", "", 0, false, code, message), "");
  EXPECT_EQ(code, VLibrary::kErrListNotLoaded);
  EXPECT_EQ(message, lib.LastError());
  // A broken filter fails the same way.
  EXPECT_EQ(lib.ListValue("FirstNames", "Name", "Name = = 1", 0, false, code, message), "");
  EXPECT_EQ(code, VLibrary::kErrListNotLoaded);
}

// ---- Picking values --------------------------------------------------------

TEST_F(VLibraryTest, SequentialPicksShareOneCursor) {
  OpenDb();
  const Texts names = Load("FirstNames", "Name");
  const Texts codes = Load("Countries", "Code2");
  ASSERT_EQ(names.size(), 3u);
  ASSERT_EQ(codes.size(), 4u);
  int code = -1;
  std::string message;
  auto next = [&](const char* list, const char* field) {
    return std::string(lib.ListValue(list, field, "", 0, true, code, message));
  };
  EXPECT_EQ(next("FirstNames", "Name"), names[0]);
  EXPECT_EQ(next("Countries", "Code2"), codes[1]);
  // The shorter list wraps the shared cursor to 0.
  EXPECT_EQ(next("FirstNames", "Name"), names[2]);
  EXPECT_EQ(next("Countries", "Code2"), codes[0]);
  EXPECT_EQ(next("FirstNames", "Name"), names[1]);
  EXPECT_EQ(next("FirstNames", "Name"), names[2]);
  EXPECT_EQ(next("Countries", "Code2"), codes[0]);
  EXPECT_EQ(next("Countries", "Code2"), codes[1]);
  EXPECT_EQ(next("Countries", "Code2"), codes[2]);
  // Beyond the end of the shorter list it starts that list over.
  EXPECT_EQ(next("FirstNames", "Name"), names[0]);
  EXPECT_EQ(next("Countries", "Code2"), codes[1]);
  EXPECT_EQ(code, 0);
  // Loading a list resets the cursor.
  next("Countries", "Code2");
  const std::string first = next("Phrases", "Language");
  EXPECT_EQ(first, Load("Phrases", "Language", {}, 1)[0]);
}

TEST_F(VLibraryTest, RandomPicksReachEveryValueEvenly) {
  OpenDb();
  int code = -1;
  std::string message;
  std::map<std::string, int> seen;
  for (int i = 0; i < 3000; ++i) ++seen[std::string(lib.ListValue("FirstNames", "Name", "", 0, false, code, message))];
  EXPECT_EQ(code, 0);
  ASSERT_EQ(seen.size(), 3u);
  for (const auto& [name, count] : seen) {
    EXPECT_GT(count, 850) << name;  // 1000 each, five standard deviations
    EXPECT_LT(count, 1150) << name;
  }
}

TEST_F(VLibraryTest, MaximumLengthTriesTenPicksThenFailsWith1860) {
  OpenDb();
  int code = -1;
  std::string message;
  SeedRandomSource(5);
  EXPECT_EQ(lib.ListValue("FirstNames", "Name", "", 2, false, code, message), "");
  EXPECT_EQ(code, VLibrary::kErrNoValueShortEnough);
  EXPECT_EQ(message, "VLibrary::ListValue could not find value with enough length.");

  // Only "Bob" is short enough; random and sequential picks both find it.
  for (bool sequential : {false, true}) {
    SeedRandomSource(11);
    EXPECT_EQ(lib.ListValue("FirstNames", "Name", "", 3, sequential, code, message), "Bob");
    EXPECT_EQ(code, 0);
  }
  // A list without values gives the empty text and no error.
  EXPECT_EQ(lib.ListValue("Secret", "Name", "", 0, false, code, message), "");
  EXPECT_EQ(code, 0);
}

// A condition naming a column makes one list per value: the cache keeps the
// lists used most recently and lets the others go.
TEST_F(VLibraryTest, CacheKeepsTheListsUsedMostRecently) {
  OpenDb();
  Load("FirstNames", "Name");
  Load("FirstNames", "Name", "Name <> 'Anna'");
  for (int i = 0; i < 1000; ++i) {
    Load("Phrases", "Phrase", "Language <> '" + std::to_string(i) + "'");
    // Used again and again, so it stays.
    if (i % 100 == 0) Load("FirstNames", "Name", {}, 1);
  }
  Load("Phrases", "Phrase", "Language <> '999'", 1);
  // Long unused: read again, and so it sees what changed since.
  RunSql(dbFile, {"insert into FirstNames values ('Dora')"});
  EXPECT_EQ(Sorted(Load("FirstNames", "Name", "Name <> 'Anna'")),
            (Texts{"Bob", "Carl", "Dora"}));
  EXPECT_EQ(Sorted(Load("FirstNames", "Name", {}, 1)), (Texts{"Anna", "Bob", "Carl"}));
}

// ---- Names from outside ----------------------------------------------------

using NamePair = std::pair<const char*, const char*>;
class VLibraryHostileName : public VLibraryTest, public ::testing::WithParamInterface<NamePair> {};

TEST_P(VLibraryHostileName, IsRefusedBeforeAnySql) {
  OpenDb();
  const auto [list, field] = GetParam();
  Texts values{"stale"};
  EXPECT_EQ(lib.LoadList(list, field, "", values), VLibrary::kLoadBadName);
  EXPECT_TRUE(values.empty());
  EXPECT_NE(lib.LastError().find("letters, digits and underscores"), std::string::npos);
  // The database is untouched and still answers.
  EXPECT_EQ(Load("FirstNames", "Name").size(), 3u);
  std::vector<std::string> names;
  EXPECT_EQ(lib.FieldNames(list, names), VLibrary::IsPlainName(list) ? 0 : -1);
}

INSTANTIATE_TEST_SUITE_P(
    Names, VLibraryHostileName,
    ::testing::Values(std::make_pair("FirstNames; drop table FirstNames", "Name"),
                      std::make_pair("FirstNames", "Name from FirstNames; drop table Phrases --"),
                      std::make_pair("x' or '1'='1", "Name"), std::make_pair("1st", "Name"),
                      std::make_pair("", "Name"), std::make_pair("FirstNames", ""),
                      std::make_pair("First Names", "Name"), std::make_pair("FirstNames", "Name)"),
                      std::make_pair("Countries.Code2", "Name")));

TEST(VLibraryNames, PlainNames) {
  EXPECT_TRUE(VLibrary::IsPlainName("US_States"));
  EXPECT_TRUE(VLibrary::IsPlainName("_x9"));
  EXPECT_FALSE(VLibrary::IsPlainName("9x"));
  EXPECT_FALSE(VLibrary::IsPlainName("a-b"));
  EXPECT_FALSE(VLibrary::IsPlainName("Zürich"));
}

// ---- Catalogue -------------------------------------------------------------

TEST_F(VLibraryTest, CatalogueOffersListsFieldsAndColumns) {
  OpenDb();
  Texts names;
  ASSERT_EQ(lib.ListNames(names), 0) << lib.LastError();
  EXPECT_EQ(Sorted(names), (Texts{"Countries", "FirstNames", "Phrases"}));
  ASSERT_EQ(lib.FieldNames("Countries", names), 0) << lib.LastError();
  EXPECT_EQ(Sorted(names), (Texts{"Code2", "Code3", "Name"}));
  ASSERT_EQ(lib.ColumnNames("Countries", names), 0) << lib.LastError();
  EXPECT_EQ(Sorted(names), (Texts{"Code2", "Name"}));
  ASSERT_EQ(lib.FieldNames("Unknown", names), 0);
  EXPECT_TRUE(names.empty());
}

// ---- Opening what is not a library ----------------------------------------

struct BadFile {
  const char* name;
  const char* content;  // nullptr: the file does not exist
  const char* caption;
  const char* messageStart;
};

class VLibraryBadFile : public VLibraryTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(VLibraryBadFile, FailsWithTheMessageAndLoadsNothing) {
  const BadFile& bad = GetParam();
  const std::string path = dir.file(bad.name);
  if (bad.content) testenv::WriteFile(path, bad.content);
  EXPECT_EQ(lib.Open(path, log), -1);
  EXPECT_FALSE(lib.IsOpen());
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0].first, bad.caption);
  // The user is told which file and why; the log keeps the failure's own text.
  const std::string expected = "The value library '" + path + "' could not be opened: ";
  EXPECT_EQ(prompt.messages[0].second.rfind(expected, 0), 0u) << prompt.messages[0].second;
  EXPECT_GT(prompt.messages[0].second.size(), expected.size()) << "no reason given";
  EXPECT_EQ(lib.LastError(), prompt.messages[0].second);
  const std::string logged = log.GetLastRows();
  EXPECT_NE(logged.find("STATE VLibrary::Open"), std::string::npos);
  const std::string loggedStart = std::string(bad.messageStart) +
                                  (std::string_view(bad.caption) == "Error" ? "" : path + "' error: ");
  EXPECT_NE(logged.find(loggedStart), std::string::npos) << logged;
  // A missing library is not created by trying it.
  EXPECT_EQ(fs::exists(path), bad.content != nullptr);

  Texts values;
  EXPECT_EQ(lib.LoadList("FirstNames", "Name", "", values), VLibrary::kLoadFailed);
  EXPECT_TRUE(values.empty());
  int code = 0;
  std::string message;
  EXPECT_EQ(lib.ListValue("FirstNames", "Name", "", 0, true, code, message), "");
  EXPECT_EQ(code, VLibrary::kErrListNotLoaded);
  EXPECT_EQ(lib.ListNames(values), -1);
  HTML writer;
  EXPECT_EQ(lib.ExportXml(writer), -1);
}

constexpr const char* kXmlFail = "Could not load XML Value Library:\r\n";
constexpr const char* kDbFail = "Open Value Library '";

INSTANTIATE_TEST_SUITE_P(
    Files, VLibraryBadFile,
    ::testing::Values(
        BadFile{"missing.db", nullptr, "Value Library", kDbFail},
        BadFile{"empty.db", "", "Value Library", kDbFail},
        BadFile{"corrupt.db", "SQLite format 3\0garbage garbage garbage", "Value Library", kDbFail},
        BadFile{"text.sqlite", "just some text\n", "Value Library", kDbFail},
        BadFile{"semi;colon.db", "", "Value Library", kDbFail},
        BadFile{"missing.mdb", nullptr, "Value Library", kDbFail},
        BadFile{"garbage.mdb", "not an access database at all", "Value Library", kDbFail},
        BadFile{"missing.xml", nullptr, "Error", kXmlFail},
        BadFile{"empty.xml", "", "Error", kXmlFail},
        BadFile{"corrupt.XML", "<library><Colors><item Name=\"x\"></Colors>", "Error", kXmlFail},
        BadFile{"other.xml", "<catalog><Colors><item Name=\"x\"/></Colors></catalog>", "Error",
                kXmlFail}));

TEST_F(VLibraryTest, DatabaseWithoutCatalogueIsNoLibrary) {
  RunSql(dbFile, {"create table FirstNames (Name text)", "insert into FirstNames values ('Anna')"});
  EXPECT_EQ(lib.Open(dbFile, log), -1);
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_NE(prompt.messages[0].second.find("_Index"), std::string::npos)
      << prompt.messages[0].second;
  // Opening another library forgets the failure.
  MakeLibrary(dir.file("good.db"));
  ASSERT_EQ(lib.Open(dir.file("good.db"), log), 0);
  EXPECT_EQ(Load("FirstNames", "Name").size(), 3u);
}

// ---- XML libraries ---------------------------------------------------------

constexpr const char* kXmlLibrary = R"(<?xml version="1.0" encoding="UTF-8"?>
<library>
  <FirstNames>
    <item Name="Anna"/><item Name="Bob"/><item Name="Anna"/><item Other="x"/><item Name="Carl"/>
  </FirstNames>
  <Phrases>
    <item Phrase="Good morning." Language="EN"/>
    <item Phrase="Guten Morgen." Language="DE"/>
    <item Phrase="Bis bald." Language="DE"/>
    <item Phrase="It's late." Language="EN"/>
  </Phrases>
  <Countries>
    <item Name="Germany" Code2="DE" Code3="DEU"/><item Name="France" Code2="FR"/>
  </Countries>
  <Unlisted><item Name="ignored"/></Unlisted>
</library>
)";

TEST_F(VLibraryTest, XmlLibraryGivesDistinctValuesOfAField) {
  const std::string path = dir.file("lib.Xml");
  testenv::WriteFile(path, kXmlLibrary);
  ASSERT_EQ(lib.Open(path, log), 0) << lib.LastError();
  EXPECT_TRUE(lib.IsXml());
  EXPECT_EQ(Load("firstnames", "name"), (Texts{"Anna", "Bob", "Carl"}));
  EXPECT_EQ(Load("FirstNames", "Name", {}, 1), (Texts{"Anna", "Bob", "Carl"}));
  EXPECT_EQ(Load("Countries", "Code3"), (Texts{"DEU"}));
  EXPECT_EQ(Load("Phrases", "Phrase", "Language='DE'"), (Texts{"Guten Morgen.", "Bis bald."}));
  EXPECT_EQ(Load("Phrases", "Phrase", " language = 'EN' AND Phrase='It''s late.' "),
            (Texts{"It's late."}));
  EXPECT_TRUE(Load("Phrases", "Phrase", "Language='FR'").empty());

  Load("Phrases", "Phrase", "Language like 'D%'", VLibrary::kLoadFailed);
  Load("Phrases", "Phrase", "Language='DE' or Language='EN'", VLibrary::kLoadFailed);
  Load("Phrases", "Phrase", "Dialect='DE'", VLibrary::kLoadFailed);
  Load("Phrases", "Phrase", "Language='DE", VLibrary::kLoadFailed);
  Load("Unlisted", "Name", {}, VLibrary::kLoadFailed);
  Load("Countries", "Flag", {}, VLibrary::kLoadFailed);

  Texts names;
  ASSERT_EQ(lib.ListNames(names), 0);
  EXPECT_EQ(Sorted(names), (Texts{"Countries", "FirstNames", "Phrases"}));
  ASSERT_EQ(lib.FieldNames("countries", names), 0);
  EXPECT_EQ(names, (Texts{"Name", "Code2", "Code3", "Capital", "Currency", "CurrencyCode"}));
  EXPECT_TRUE(prompt.messages.empty());
}

// ---- Export ----------------------------------------------------------------

// Exports `db` to `xmlPath` and opens the result as a second library.
void ExportAndReopen(VLibrary& db, const std::string& xmlPath, int expectedSkipped,
                     VLibrary& xml, CLog& log) {
  HTML writer;
  ASSERT_EQ(writer.Open(xmlPath), 0);
  EXPECT_EQ(db.ExportXml(writer), expectedSkipped) << db.LastError();
  ASSERT_EQ(writer.Close(1), 0);
  ASSERT_EQ(xml.Open(xmlPath, log), 0) << xml.LastError();
}

TEST_F(VLibraryTest, ExportKeepsEveryValueExactly) {
  const Texts colors = {"Red & Blue", "Say \"hi\"", "a < b > c", "Tab\there",
                        "Two\r\nlines", "Zürich", "It's", " padded "};
  Texts statements = {
      kCreateIndex,
      "insert into _Index values (1,'Colors',0,0,null),(2,'Name',1,0,'Name')",
      "create table Colors (Name text)", "insert into Colors values (null)"};
  for (const std::string& c : colors) {
    std::string quoted;
    for (char ch : c) quoted += ch == '\'' ? std::string("''") : std::string(1, ch);
    statements.push_back("insert into Colors values ('" + quoted + "')");
  }
  RunSql(dbFile, statements);
  ASSERT_EQ(lib.Open(dbFile, log), 0);

  VLibrary xml;
  ExportAndReopen(lib, dir.file("out.xml"), 15, xml, log);
  Texts values;
  EXPECT_EQ(xml.LoadList("Colors", "Name", "", values), 0) << xml.LastError();
  EXPECT_EQ(Sorted(values), Sorted(colors));
  // Every other catalogue list was missing and said so.
  ASSERT_EQ(prompt.messages.size(), 15u);
  EXPECT_EQ(prompt.messages[0].first, "Error");
  EXPECT_EQ(prompt.messages[0].second, "Could not load 'Cities'");
}

TEST_F(VLibraryTest, ShippedLibraryReadsTheSameAsItsXmlExport) {
  const fs::path shipped = testenv::BinaryDir() / "library.db";
  if (!fs::exists(shipped)) {
    if (std::getenv("CI")) FAIL() << shipped << " is missing";
    GTEST_SKIP() << "library.db has not been built";
  }
  ASSERT_EQ(lib.Open(shipped.string(), log), 0) << lib.LastError();
  VLibrary xml;
  ExportAndReopen(lib, dir.file("library.xml"), 0, xml, log);

  Texts lists, xmlLists;
  ASSERT_EQ(lib.ListNames(lists), 0);
  ASSERT_EQ(xml.ListNames(xmlLists), 0);
  EXPECT_EQ(Sorted(lists), Sorted(xmlLists));
  size_t compared = 0;
  for (const std::string& list : lists) {
    Texts fields;
    ASSERT_EQ(lib.FieldNames(list, fields), 0);
    for (const std::string& field : fields) {
      Texts fromDb, fromXml;
      EXPECT_EQ(lib.LoadList(list, field, "", fromDb), 0) << lib.LastError();
      EXPECT_EQ(xml.LoadList(list, field, "", fromXml), 0) << xml.LastError();
      EXPECT_FALSE(fromDb.empty()) << list << "." << field;
      EXPECT_EQ(Sorted(fromDb), Sorted(fromXml)) << list << "." << field;
      ++compared;
    }
  }
  EXPECT_GE(compared, 30u);
  Texts fromDb, fromXml;
  lib.LoadList("Phrases", "Phrase", "Language='DE'", fromDb);
  xml.LoadList("Phrases", "Phrase", "Language='DE'", fromXml);
  EXPECT_FALSE(fromDb.empty());
  EXPECT_EQ(Sorted(fromDb), Sorted(fromXml));
  EXPECT_TRUE(prompt.messages.empty());
}

// ---- Phrase text -----------------------------------------------------------

TEST_F(VLibraryTest, PhraseTextJoinsPhrasesOfTheLanguageWithinTheLength) {
  OpenDb();
  const std::set<std::string> german = {"Guten Morgen.", "Bis bald."};
  PhraseList phrases;
  std::string text;
  SeedRandomSource(3);
  ASSERT_EQ(lib.PhraseText(phrases, "DE", 60, text), 0) << lib.LastError();
  EXPECT_LT(text.size(), 61u);
  // Nothing else fits once the text is past 60 - 13 - 1.
  EXPECT_GE(text.size() + 1 + std::string("Guten Morgen.").size(), 60u);
  EXPECT_EQ(std::set<std::string>(phrases.phrases.begin(), phrases.phrases.end()), german);
  // The list is filled once: another language changes nothing.
  ASSERT_EQ(lib.PhraseText(phrases, "EN", 30, text), 0);
  EXPECT_EQ(std::set<std::string>(phrases.phrases.begin(), phrases.phrases.end()), german);
  EXPECT_LT(text.size(), 31u);
  ASSERT_EQ(lib.PhraseText(phrases, "DE", 0, text), 0);
  EXPECT_EQ(text, "");

  PhraseList all;
  ASSERT_EQ(lib.PhraseText(all, "", 100, text), 0);
  EXPECT_EQ(all.phrases.size(), 6u);
  // A language is a literal, never SQL.
  PhraseList hostile;
  EXPECT_EQ(lib.PhraseText(hostile, "x' or '1'='1", 100, text), VLibrary::kLoadFailed);
  EXPECT_TRUE(hostile.phrases.empty());
  EXPECT_EQ(text, "");
}

TEST_F(VLibraryTest, PhraseTextReadsAFileWithoutALibrary) {
  const std::string file = dir.file("phrases.txt");
  testenv::WriteFile(file, "First one.  \t\r\n\r\n   \nSecond one.\n");
  PhraseList phrases;
  std::string text;
  ASSERT_EQ(lib.PhraseText(phrases, file, 1000000, text), 0) << lib.LastError();
  EXPECT_EQ(phrases.phrases, (Texts{"First one.", "Second one."}));
  EXPECT_LT(text.size(), 1000000u);
  EXPECT_GT(text.size(), 1000000u - 20u);

  // Nothing but empty lines: no phrase, and no endless loop.
  testenv::WriteFile(file, "\n \r\n\t\n");
  PhraseList blank;
  EXPECT_EQ(lib.PhraseText(blank, file, 50, text), VLibrary::kLoadFailed);
  EXPECT_EQ(text, "");
  // No file and no library.
  PhraseList none;
  EXPECT_EQ(lib.PhraseText(none, "EN", 50, text), VLibrary::kLoadFailed);
}

TEST(FindValueLibrary, TakesTheFirstPlaceThatHoldsALibrary) {
  testenv::TempDir dir;
  for (const char* sub : {"bin", "share", "build"}) fs::create_directories(dir.path() / sub);
  LibraryPlaces places;
  places.override = dir.file("override.db");
  places.setting = dir.file("mine.xml");
  places.programDir = dir.path() / "bin";
  places.dataDir = dir.path() / "share";
  places.buildDir = dir.path() / "build";
  // Nothing anywhere: the installed place, so that the message names it.
  EXPECT_EQ(FindValueLibrary(places), (dir.path() / "share" / "library.db").string());
  // An uninstalled build finds its own library wherever the program lies.
  testenv::WriteFile(dir.path() / "build" / "library.db", "x");
  EXPECT_EQ(FindValueLibrary(places), (dir.path() / "build" / "library.db").string());
  testenv::WriteFile(dir.path() / "share" / "library.db", "x");
  EXPECT_EQ(FindValueLibrary(places), (dir.path() / "share" / "library.db").string());
  testenv::WriteFile(dir.path() / "bin" / "library.db", "x");
  EXPECT_EQ(FindValueLibrary(places), (dir.path() / "bin" / "library.db").string());
  testenv::WriteFile(places.setting, "<library/>");
  EXPECT_EQ(FindValueLibrary(places), places.setting);
  testenv::WriteFile(places.override, "x");
  EXPECT_EQ(FindValueLibrary(places), places.override);
}

}  // namespace
