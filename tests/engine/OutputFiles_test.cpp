#include "engine/OutputFiles.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>

#include "tests/engine/EngineTestEnv.h"

using namespace enginetest;

namespace {

struct Outputs {
  Outputs() { h.options.project = &h.project; }
  Harness h;
  testenv::TempDir dir;
};

}  // namespace

TEST(WriteSqlTest, SemicolonDelimiterReplacesTheLineBreak) {
  Outputs o;
  o.h.project.ToFile = 1;
  o.h.project.SQLFile = o.dir.file("out.sql");
  o.h.project.StmtDelimiter = ";";
  {
    OutputFiles files(o.h.options);
    files.WriteSQL("insert into t(a) values(1)\r\n", nullptr);
    files.WriteSQL("insert into t(a) values(';\r\n--')\r\n", nullptr);
  }
  EXPECT_EQ(testenv::ReadFile(o.dir.path() / "out.sql"),
            "insert into t(a) values(1);\r\ninsert into t(a) values(';\r\n--');\r\n");
}

TEST(WriteSqlTest, GoDelimiterFollowsTheStatement) {
  Outputs o;
  o.h.project.ToFile = 1;
  o.h.project.SQLFile = o.dir.file("out.sql");
  o.h.project.StmtDelimiter = "go";
  OutputFiles files(o.h.options);
  files.WriteSQL("insert into t(a) values(1)\r\n", nullptr);
  files.CloseRuleFiles();
  EXPECT_EQ(testenv::ReadFile(o.dir.path() / "out.sql"), "insert into t(a) values(1)\r\ngo\r\n");
}

TEST(WriteSqlTest, RuleFileWithoutProjectFile) {
  Outputs o;
  Rule rule;
  rule.OutFile = o.dir.file("rule.sql");
  testenv::WriteFile(rule.OutFile, "stale\r\n");
  o.h.project.TruncateSQL = 1;
  OutputFiles files(o.h.options);
  files.WriteSQL("not written\r\n", nullptr);  // ToFile is off
  files.WriteSQL("s1\r\n", &rule);
  files.WriteSQL("s2\r\n", nullptr);  // without a rule it needs ToFile
  files.CloseRuleFiles();
  EXPECT_EQ(testenv::ReadFile(rule.OutFile), "s1\r\n");
  files.WriteSQL("s3\r\n", &rule);  // truncated again for the next rule
  files.CloseRuleFiles();
  EXPECT_EQ(testenv::ReadFile(rule.OutFile), "s3\r\n");
}

TEST(WriteTextTest, UnicodeLiteralsLoseTheirPrefixOnly) {
  Outputs o;
  o.h.project.TXTFile = o.dir.file("out.txt");
  Rule rule;
  OutputFiles files(o.h.options);
  files.WriteText("N'abc'\tN'x'\tN'Djamena\tplain", rule);
  files.WriteText("N'x", rule);
  const std::string longLine(40000, 'y');
  files.WriteText(longLine, rule);
  files.CloseText();
  EXPECT_EQ(testenv::ReadFile(o.dir.path() / "out.txt"),
            "'abc'\t'x'\tN'Djamena\tplain\r\nN'x\r\n" + longLine + "\r\n");
}

TEST(WriteTextTest, BulkFileWinsOverRuleAndProjectFiles) {
  Outputs o;
  o.h.project.TXTFile = o.dir.file("project.txt");
  Rule rule;
  rule.OutFileTXT = o.dir.file("rule.txt");
  OutputFiles files(o.h.options);
  files.WriteText("bulk", rule, o.dir.file("bulk.txt"));
  files.CloseText();
  files.WriteText("rule", rule);
  files.CloseText();
  EXPECT_EQ(testenv::ReadFile(o.dir.path() / "bulk.txt"), "bulk\r\n");
  EXPECT_EQ(testenv::ReadFile(o.dir.path() / "rule.txt"), "rule\r\n");
  EXPECT_EQ(testenv::ReadFile(o.dir.path() / "project.txt"), "");
}

TEST(FixedLengthTest, WidthsFollowTypesAndOnlyGrow) {
  Outputs o;
  OutputFiles files(o.h.options);
  ColumnRule number = MakeColumn("n", 4, 10, kMethodIncremental);
  ColumnRule text = MakeColumn("t", 12, 5, kMethodValueList);
  ColumnRule date = MakeColumn("d", 91, 10, kMethodRandom);
  ColumnRule small = MakeColumn("s", 5, 5, kMethodRandom);
  small.HighRange = "999";
  std::string out;
  files.FixedLength(out, "42", number, 0);
  files.FixedLength(out, "'ab'", text, 1);
  files.FixedLength(out, "N'é'", text, 2);
  files.FixedLength(out, "2024-01-02", date, 3);
  files.FixedLength(out, "7", small, 4);
  // Widths count characters: "é" fills one of its five places, so UTF-8 lines stay aligned.
  EXPECT_EQ(out, "         42ab   é    2024-01-02  7");
  out.clear();
  files.FixedLength(out, "1234567890123", number, 0);
  EXPECT_EQ(out, "1234567890123");
  out.clear();
  files.FixedLength(out, "1", number, 0);
  EXPECT_EQ(out, "            1");
  EXPECT_EQ(files.Widths()[0], 13u);
}

TEST(FixedLengthTest, HeaderQuotesNames) {
  Outputs o;
  o.h.project.QuoteExportHeader = 1;
  OutputFiles files(o.h.options);
  std::vector<ColumnRule> columns{MakeColumn("a", 4, 10, kMethodRandom), MakeColumn("i", 4, 10, kMethodIgnore),
                                  MakeColumn("b", 12, 3, kMethodRandom)};
  std::string header;
  files.TextHeader(header, columns, "\t", 0);
  EXPECT_EQ(header, "'a'\t'b'");
  header.clear();
  files.TextHeader(header, columns, ",", 1);
  EXPECT_EQ(header, "'a','i','b'");
  header.clear();
  o.h.project.QuoteExportHeader = 0;
  files.TextHeader(header, columns, kFixedLengthDelimiter, 0);
  EXPECT_EQ(header, "          ab  ");
  // Without quotes asked for, a name is quoted where a data field would be.
  columns[0].Name = "a,b";
  columns[2].Name = "tab\there";
  header.clear();
  files.TextHeader(header, columns, ",", 0);
  EXPECT_EQ(header, "\"a,b\",tab\there");
  header.clear();
  files.TextHeader(header, columns, "\t", 0);
  EXPECT_EQ(header, "a,b\t\"tab\there\"");
  header.clear();
  files.TextHeader(header, columns, "\t", 1, true);  // a bulk file's reader takes them as they stand
  EXPECT_EQ(header, "a,b\ti\ttab\there");
}

// Writes `rows` rows of each rule through one set of outputs, as a run does.
void WriteRows(Outputs& o, std::initializer_list<Rule*> rules, int rows) {
  OutputFiles files(o.h.options);
  ASSERT_EQ(files.OpenProjectXml(), 0);
  for (Rule* rule : rules) {
    ASSERT_EQ(files.OpenRuleXml(*rule), 0);
    RowGenerator generator(o.h.options, &files);
    ASSERT_EQ(generator.GenerateValues(*rule), 0);
    files.OpenTable(*rule);
    std::string values, line;
    for (int row = 1; row <= rows; ++row) ASSERT_EQ(generator.GenOneRowValues(values, row, line, ","), 0);
    files.CloseTable();
    files.CloseRuleXml();
  }
  files.CloseProjectXml();
}

class XmlOutputTest : public testing::TestWithParam<int> {};

TEST_P(XmlOutputTest, RowsOfProjectAndRuleDocumentsAreWellFormed) {
  Outputs o;
  o.h.project.ToXMLFile = 1;
  o.h.project.XMLFile = o.dir.file("project.xml");
  o.h.project.XMLType = GetParam();
  Rule first;
  first.TabName = "first";
  first.Fields = {MakeColumn("name", 12, 40, kMethodValueList), MakeColumn("skip", 12, 5, kMethodIgnore)};
  first.Fields[0].Values = {"<O'Brien & \"Co\">"};
  Rule second = first;
  second.TabName = "second";
  second.OutFileXML = o.dir.file("rule.xml");
  WriteRows(o, {&first, &second}, 2);
  for (const char* name : {"project.xml", "rule.xml"}) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file((o.dir.path() / name).c_str())) << name;
    const pugi::xml_node table = doc.child("objects").child("Table");
    EXPECT_STREQ(table.attribute("name").value(), std::string(name) == "rule.xml" ? "second" : "first");
    int rows = 0;
    for (pugi::xml_node row : table.children("row")) {
      ++rows;
      const pugi::xml_node value = GetParam() == 0 ? row.child("value") : row.child("name");
      if (GetParam() == 0) {
        EXPECT_STREQ(value.attribute("field").value(), "name");
      }
      EXPECT_STREQ(value.text().get(), "<O'Brien & \"Co\">");
      EXPECT_EQ(std::distance(row.children().begin(), row.children().end()), 1);
    }
    EXPECT_EQ(rows, 2);
  }

  // A rule naming the project's own document adds its rows to it.
  second.OutFileXML = o.dir.path().string() + "/./project.xml";
  WriteRows(o, {&first, &second}, 1);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file((o.dir.path() / "project.xml").c_str()));
  std::vector<std::string> tables;
  for (pugi::xml_node table : doc.child("objects").children("Table")) tables.push_back(table.attribute("name").value());
  EXPECT_EQ(tables, (std::vector<std::string>{"first", "second"}));
}

INSTANTIATE_TEST_SUITE_P(XMLType, XmlOutputTest, testing::Values(0, 1));
