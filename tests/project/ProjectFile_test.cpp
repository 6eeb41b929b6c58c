#include "project/ProjectFile.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include <cctype>
#include <filesystem>
#include <sstream>

#include "project/ProjectDocument.h"
#include "support/SysReg.h"
#include "tests/common/TestEnv.h"

namespace {

// Answers questions with a fixed answer and keeps every text it was shown.
class RecordingPrompt : public Prompt {
 public:
  void Message(std::string_view caption, std::string_view text, PromptIcon) override {
    shown.push_back(std::string(caption) + ": " + std::string(text));
  }
  PromptAnswer Ask(std::string_view caption, std::string_view text, PromptIcon, PromptButtons,
                   PromptAnswer) override {
    shown.push_back(std::string(caption) + ": " + std::string(text));
    return answer;
  }
  PromptAnswer answer = PromptAnswer::kCancel;
  std::vector<std::string> shown;
};

Rule DataRule(const std::string& table) {
  Rule r;
  r.TabName = table;
  ColumnRule c;
  c.Name = "id";
  c.iType = 4;
  r.Fields.push_back(c);
  return r;
}

ColumnRule NamedGen(const std::string& name, const std::string& mask) {
  ColumnRule c;
  c.Name = name;
  c.Method = kMethodPattern;
  c.Mask = mask;
  return c;
}

// Section names of a saved file, in order.
std::vector<std::string> Sections(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.starts_with("[")) out.push_back(line);
  return out;
}

// The keys of one section, in order, without values.
std::vector<std::string> KeysOf(const std::string& text, const std::string& section) {
  std::vector<std::string> out;
  std::istringstream in(text);
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("[")) inside = line == "[" + section + "]";
    else if (inside) out.push_back(line.substr(0, line.find('=')));
  }
  return out;
}

class ProjectFileTest : public ::testing::Test {
 protected:
  ProjectFileTest() : doc(&CDB::newDB, &prompt) {}
  std::string Save(ProjectDocument& d, const std::string& name) {
    const std::string path = dir.file(name);
    EXPECT_EQ(d.DoSave(path, false), 0) << d.LastError();
    return testenv::ReadFile(path);
  }
  testenv::TempDir dir;
  RecordingPrompt prompt;
  ProjectDocument doc;
};

TEST_F(ProjectFileTest, LayoutOfSectionsAndKeys) {
  doc.project().rules = {DataRule("a"), DataRule("b")};
  Rule clear;
  clear.Mode = kRuleClear;
  clear.ClTab = {{"x", 1}, {"y", 0}};
  doc.project().rules.push_back(clear);
  ColumnRule list;
  list.Name = "l";
  list.Method = kMethodValueList;
  list.Values = {"a", "b", "c"};
  list.ValueUse = {50, 20};
  doc.project().rules[1].Fields.push_back(list);
  const std::string text = Save(doc, "p.qrp");
  EXPECT_EQ(Sections(text), (std::vector<std::string>{"[Settings]", "[Tables]", "[Tab1]", "[Tab2]", "[Tab3]",
                                                      "[NamedGens]", "[LocalVars]", "[DefScrConnection]"}));
  const auto tables = KeysOf(text, "Tables");
  ASSERT_EQ(tables.size(), 25u);
  EXPECT_EQ(tables.front(), "ToFile");
  EXPECT_EQ(tables.back(), "Count");
  EXPECT_NE(text.find("Count=3\n"), std::string::npos);

  const auto rule = KeysOf(text, "Tab1");
  const std::vector<std::string> head = {"TabName", "Records", "nTables", "Mode", "PerTrans", "InsMode", "OType",
                                         "OText", "Enabled"};
  EXPECT_TRUE(std::equal(head.begin(), head.end(), rule.begin()));
  EXPECT_EQ(rule[23], "updColumns");
  EXPECT_EQ(rule[24], "Fields");
  EXPECT_EQ(rule[25], "NamedGen0");

  const auto cleared = KeysOf(text, "Tab3");
  EXPECT_EQ(std::count(cleared.begin(), cleared.end(), "Fields"), 0);
  EXPECT_EQ(cleared[23], "Tables");
  EXPECT_EQ(std::vector<std::string>(cleared.begin() + 24, cleared.end()),
            (std::vector<std::string>{"ClTab0", "ClUse0", "ClTab1", "ClUse1"}));

  const auto listed = KeysOf(text, "Tab2");
  auto count = [&](const std::string& stem) {
    return std::count_if(listed.begin(), listed.end(), [&](const std::string& k) {
      return k.starts_with(stem) && k.ends_with("_1") && k.size() > stem.size() + 2 &&
             std::isdigit(static_cast<unsigned char>(k[stem.size()]));
    });
  };
  EXPECT_EQ(count("Values"), 3);
  EXPECT_EQ(count("ValueUse"), 2);
}

TEST_F(ProjectFileTest, ValueListWithFewerUsagesStaysUniform) {
  Rule r = DataRule("t");
  r.Fields[0].Method = kMethodValueList;
  r.Fields[0].Values = {"a", "b", "c"};
  r.Fields[0].ValueUse = {50, 20};
  doc.project().rules = {r};
  const std::string path = dir.file("v.qrp");
  ASSERT_EQ(doc.DoSave(path, false), 0);
  ProjectDocument other(&CDB::newDB, &prompt);
  ASSERT_EQ(other.DoLoad(path, true), 0);
  const ColumnRule& c = other.project().rules[0].Fields[0];
  EXPECT_EQ(c.Values, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(c.ValueUse, (std::vector<int>{50, 20}));
}

TEST_F(ProjectFileTest, CheckedExportRenumbersAndKeepsPath) {
  doc.project().rules = {DataRule("r1"), DataRule("r2"), DataRule("r3"), DataRule("r4")};
  doc.setPath("/somewhere/open.qrp");
  doc.setModified(true);
  const std::string path = dir.file("checked.qrp");
  ASSERT_EQ(doc.DoSave(path, true, {false, true, false, true}), 0);
  EXPECT_EQ(doc.path(), "/somewhere/open.qrp");
  EXPECT_TRUE(doc.modified());
  const std::string text = testenv::ReadFile(path);
  EXPECT_NE(text.find("Count=2\n"), std::string::npos);
  EXPECT_EQ(Sections(text)[2], "[Tab1]");
  EXPECT_EQ(Sections(text)[3], "[Tab2]");
  EXPECT_EQ(Sections(text)[4], "[NamedGens]");
  EXPECT_NE(text.find("TabName=r2\n"), std::string::npos);
  EXPECT_NE(text.find("TabName=r4\n"), std::string::npos);
  EXPECT_EQ(text.find("TabName=r1\n"), std::string::npos);
}

TEST_F(ProjectFileTest, LoadWithoutReplaceAppendsRulesToTheProjectAsItIs) {
  doc.project().rules = {DataRule("f1"), DataRule("f2")};
  doc.project().Author = "file";
  doc.project().TXTFile = "file.txt";
  doc.project().namedGens = {NamedGen("shared", "$Inc()"), NamedGen("fileOnly", "NN")};
  doc.project().localVars = {{"#shared", "Constant", "from the file", {}}, {"#fileOnly", "Constant", "1", {}}};
  const std::string path = dir.file("add.qrp");
  ASSERT_EQ(doc.DoSave(path, false), 0);
  ProjectDocument other(&CDB::newDB, &prompt);
  const std::string own = dir.file("own.qrp");
  other.project().rules = {DataRule("c1"), DataRule("c2"), DataRule("c3")};
  other.project().Author = "mine";
  other.project().namedGens = {NamedGen("shared", "AAA")};
  other.project().localVars = {{"#shared", "Constant", "mine", {}}};
  ASSERT_EQ(other.DoSave(own, false), 0);
  ASSERT_EQ(other.DoLoad(path, false), 0);
  std::vector<std::string> names;
  for (const Rule& r : other.project().rules) names.push_back(r.TabName);
  EXPECT_EQ(names, (std::vector<std::string>{"c1", "c2", "c3", "f1", "f2"}));
  // The project keeps its options and its file, and has unsaved changes.
  EXPECT_EQ(other.project().Author, "mine");
  EXPECT_EQ(other.project().TXTFile, "");
  EXPECT_EQ(other.path(), own);
  EXPECT_TRUE(other.modified());
  // What the appended rules call comes along; the project's own entries win.
  ASSERT_EQ(other.project().namedGens.size(), 2u);
  EXPECT_EQ(other.project().namedGens[0].Mask, "AAA");
  EXPECT_EQ(other.project().namedGens[1].Name, "fileOnly");
  ASSERT_EQ(other.project().localVars.size(), 2u);
  EXPECT_EQ(other.project().localVars[0].Def, "mine");
  EXPECT_EQ(other.project().localVars[1].Name, "#fileOnly");
  // The next save writes the project's own file; the appended one is left alone.
  const std::string appendedBefore = testenv::ReadFile(path);
  ASSERT_EQ(other.SaveWithBackup(), 0);
  EXPECT_EQ(testenv::ReadFile(path), appendedBefore);
  ProjectDocument reread(&CDB::newDB, &prompt);
  ASSERT_EQ(reread.DoLoad(own, true), 0);
  EXPECT_EQ(reread.project().rules.size(), 5u);
  EXPECT_EQ(reread.project().Author, "mine");
  ASSERT_EQ(other.DoLoad(path, true), 0);
  EXPECT_EQ(other.project().rules.size(), 2u);
  EXPECT_EQ(other.path(), path);
  EXPECT_FALSE(other.modified());
}

TEST_F(ProjectFileTest, MissingEnabledLoadsEnabledAndMissingKeysTakeDefaults) {
  const std::string path = dir.file("old.qrp");
  testenv::WriteFile(path,
                     "# quarnel store 1\n[Tables]\nCount=1\n[Tab1]\nTabName=t\nFields=1\nName0=c\nMethod0=6\n");
  ASSERT_EQ(doc.DoLoad(path, true), 0) << doc.LastError();
  const Rule& r = doc.project().rules.at(0);
  EXPECT_EQ(r.Enabled, 1);
  EXPECT_EQ(r.InsMode, 0);
  const ColumnRule& c = r.Fields.at(0);
  EXPECT_EQ(c.sFormat, "%d");
  EXPECT_EQ(c.Start, "1");
  EXPECT_EQ(c.Step, "1");
  EXPECT_EQ(c.Times, 1);
  EXPECT_EQ(c.SequenceLen, 1);
  EXPECT_EQ(c.isNull, 0);
}

TEST_F(ProjectFileTest, BackupIsMadeOnceAndKept) {
  doc.project().Author = "one";
  const std::string path = dir.file("Proj.QRP");
  ASSERT_EQ(doc.DoSave(path, false), 0);
  doc.project().Author = "two";
  ASSERT_EQ(doc.SaveWithBackup(), 0);
  const std::string backup = dir.file("Proj.bak");
  EXPECT_NE(testenv::ReadFile(backup).find("Author=one"), std::string::npos);
  doc.project().Author = "three";
  ASSERT_EQ(doc.SaveWithBackup(), 0);
  EXPECT_NE(testenv::ReadFile(backup).find("Author=one"), std::string::npos);
  EXPECT_NE(testenv::ReadFile(path).find("Author=three"), std::string::npos);
}

TEST_F(ProjectFileTest, NoBackupWithoutCreateBakAndNewProjectAsksForPath) {
  DocumentSettings settings;
  settings.CreateBak = 0;
  doc.setSettings(settings);
  EXPECT_EQ(doc.SaveWithBackup(), ProjectDocument::kCancelled);
  const std::string path = dir.file("new.qrp");
  ASSERT_EQ(doc.SaveWithBackup([&] { return path; }), 0);
  EXPECT_EQ(doc.path(), path);
  ASSERT_EQ(doc.SaveWithBackup(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("new.bak")));
}

TEST(BackupName, ReplacesOnlyTheExtension) {
  EXPECT_EQ(BackupName("/Home/A.qrp.d/Demo.QRP"), "/Home/A.qrp.d/Demo.bak");
  EXPECT_EQ(BackupName("plain"), "plain.bak");
  EXPECT_EQ(BackupName("/x/.qrp"), "/x/.qrp.bak");
}

TEST_F(ProjectFileTest, ConfirmDiscardDecisions) {
  EXPECT_TRUE(doc.ConfirmDiscard());
  EXPECT_TRUE(prompt.shown.empty());
  doc.setModified(true);
  prompt.answer = PromptAnswer::kCancel;
  EXPECT_FALSE(doc.ConfirmDiscard());
  ASSERT_EQ(prompt.shown.size(), 1u);
  EXPECT_EQ(prompt.shown[0],
            "Warning!: Current project is not saved.\nPress\n\nYes - for save it,\nNo  - for discard changes or\n"
            "Cancel - for continue editing if possible.");
  prompt.answer = PromptAnswer::kNo;
  EXPECT_TRUE(doc.ConfirmDiscard());
  prompt.answer = PromptAnswer::kYes;
  EXPECT_FALSE(doc.ConfirmDiscard([] { return std::string(); }));  // save cancelled: stay
  const std::string path = dir.file("saved.qrp");
  EXPECT_TRUE(doc.ConfirmDiscard([&] { return path; }));
  EXPECT_FALSE(doc.modified());
  EXPECT_TRUE(std::filesystem::exists(path));
}

TEST_F(ProjectFileTest, FailedSaveKeepsPreviousFile) {
  const std::string path = dir.file("keep.qrp");
  doc.project().Author = "good";
  ASSERT_EQ(doc.DoSave(path, false), 0);
  const std::string before = testenv::ReadFile(path);
  // A file-size limit makes the write fail, for root too.
  doc.project().Description = std::string(100000, 'x');
  doc.setModified(true);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int status = doc.DoSave(path, false);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_NE(status, 0);
  EXPECT_TRUE(doc.modified());
  EXPECT_EQ(testenv::ReadFile(path), before);
  EXPECT_EQ(prompt.shown.back().rfind("Save Project Error", 0), 0u);
}

// A project that keeps a password, even encoded, is readable by its owner only.
TEST_F(ProjectFileTest, FilesWithAPasswordAreTheOwnersOnly) {
  namespace fs = std::filesystem;
  const std::string path = dir.file("secret.qrp");
  doc.project().Connection.ConType = CONN_INFO::kOdbc;
  doc.project().Connection.conDSN = "sales";
  ASSERT_EQ(doc.DoSave(path, false), 0);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  Rule rule;
  rule.Fields.emplace_back();
  rule.Fields.back().Method = kMethodLinkedTable;
  rule.Fields.back().conStr = "DSN=parts;PWD=pw";
  doc.project().rules.push_back(rule);
  ASSERT_EQ(doc.DoSave(path, false), 0);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  doc.project().rules.clear();
  doc.project().Connection.conPwd = "pw";
  ASSERT_EQ(doc.DoSave(path, false), 0);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_EQ(doc.DoLoad(path, true), 0);
  EXPECT_EQ(doc.project().Connection.conPwd, "pw");
}

struct BadFile {
  const char* label;
  std::string content;
  bool loads;
  size_t rules;
};

class BadProjectFileTest : public ProjectFileTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadProjectFileTest, LoadsWhatItCanOrFailsWithoutChange) {
  doc.project().rules = {DataRule("current")};
  doc.project().Author = "current";
  const std::string path = dir.file("bad.qrp");
  testenv::WriteFile(path, GetParam().content);
  const int status = doc.DoLoad(path, true);
  if (GetParam().loads) {
    EXPECT_EQ(status, 0) << doc.LastError();
    EXPECT_EQ(doc.project().rules.size(), GetParam().rules);
  } else {
    EXPECT_NE(status, 0);
    EXPECT_FALSE(doc.LastError().empty());
    ASSERT_EQ(doc.project().rules.size(), 1u);
    EXPECT_EQ(doc.project().rules[0].TabName, "current");
    EXPECT_EQ(doc.project().Author, "current");
  }
}

const std::string kHead = "# quarnel store 1\n[Tables]\n";

INSTANTIATE_TEST_SUITE_P(
    Files, BadProjectFileTest,
    ::testing::Values(
        BadFile{"empty", "", false, 0},
        BadFile{"binary", std::string("\x00\x01\xff\xfe[Tables]\x00Count=3", 18), false, 0},
        BadFile{"foreign_text", "hello\nworld\n", false, 0},
        BadFile{"huge_count", kHead + "Count=2000000000\n[Tab1]\nTabName=a\n", true, 1},
        BadFile{"huge_fields", kHead + "Count=1\n[Tab1]\nFields=2000000000\nName0=a\n", true, 1},
        BadFile{"negative_fields", kHead + "Count=1\n[Tab1]\nFields=-5\nName0=a\n", true, 1},
        BadFile{"wrong_types", kHead + "Count=x\nToFile=yes\n[Tab1]\nTabName=a\n", true, 0},
        BadFile{"huge_lists",
                kHead + "Count=1\n[Tab1]\nupdColumns=2000000000\nFields=1\nMethod0=2\nValuesCnt0=2000000000\n"
                        "Values1_0=a\nUnicodeCnt0=2000000000\n[NamedGens]\nNamedGenCount=2000000000\n"
                        "[LocalVars]\nLocalVarsCount=2000000000\n",
                true, 1},
        BadFile{"truncated", kHead + "Count=2\n[Tab1]\nTabName=a\n[Tab2]\nTabName=b\nFields=1\nName0=c\nMeth", true, 2},
        BadFile{"out_of_range_short", kHead + "Count=1\n[Tab1]\nFields=1\nName0=a\niType0=99999\n", true, 1}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ProjectFileTest, MissingFileReportsAndKeepsProject) {
  doc.project().rules = {DataRule("current")};
  EXPECT_EQ(doc.DoLoad(dir.file("none.qrp"), true), ProjectDocument::kNotFound);
  EXPECT_EQ(prompt.shown.back(), "Warning!: Selected project was not found.");
  EXPECT_EQ(doc.project().rules.size(), 1u);
}

TEST_F(ProjectFileTest, AbsurdListsAreReadOnlyAsFarAsPresent) {
  const std::string path = dir.file("lists.qrp");
  testenv::WriteFile(path, kHead + "Count=1\n[Tab1]\nupdColumns=2000000000\nupdColumn0=k\nFields=1\nMethod0=2\n"
                                   "ValuesCnt0=2000000000\nValues1_0=a\nValueUse1_0=40\nValues2_0=b\n"
                                   "UnicodeCnt0=9\nunicode1_0=3\niType0=99999\n");
  ASSERT_EQ(doc.DoLoad(path, true), 0);
  const Rule& r = doc.project().rules.at(0);
  EXPECT_EQ(r.updColumn, std::vector<std::string>{"k"});
  const ColumnRule& c = r.Fields.at(0);
  EXPECT_EQ(c.Values, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(c.ValueUse, std::vector<int>{40});
  EXPECT_EQ(c.unicode, std::vector<int>{3});
  EXPECT_EQ(c.iType, 0);
  EXPECT_NE(doc.LastError().find("missing"), std::string::npos);
}

TEST_F(ProjectFileTest, NamedGeneratorFiles) {
  ColumnRule a, b;
  a.NamedGen = "first";
  a.Method = kMethodValueList;
  a.Values = {"x", "y"};
  b.NamedGen = "second";
  b.Method = kMethodSql;
  b.SQL = "select 1";
  b.conPwd = "secret";
  std::string error;
  const std::string whole = dir.file("all.ngen");
  ASSERT_EQ(WriteNamedGenerators(whole, {a, b}, &error), 0) << error;
  const std::string one = dir.file("one.ngen");
  ASSERT_EQ(WriteNamedGenerator(one, b, &error), 0) << error;
  EXPECT_EQ(Sections(testenv::ReadFile(one)), std::vector<std::string>{"[NamedGens]"});
  EXPECT_NE(testenv::ReadFile(one).find("NamedGenCount=1\nNamedGen1=second\n"), std::string::npos);
  EXPECT_EQ(testenv::ReadFile(one).find("secret"), std::string::npos);

  std::vector<ColumnRule> read;
  ASSERT_EQ(ReadNamedGenerators(whole, read, &error), 0);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].Values, a.Values);
  EXPECT_EQ(read[1].conPwd, "secret");
  ASSERT_EQ(ReadNamedGenerators(one, read, &error), 0);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].NamedGen, "second");

  const std::string bad = dir.file("bad.ngen");
  testenv::WriteFile(bad, "# quarnel store 1\n[Tables]\nCount=0\n");
  EXPECT_NE(ReadNamedGenerators(bad, read, &error), 0);
  EXPECT_EQ(read.size(), 1u);
  EXPECT_NE(ReadNamedGenerators(dir.file("missing.ngen"), read, &error), 0);
}

}  // namespace
