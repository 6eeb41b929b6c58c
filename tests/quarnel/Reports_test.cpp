// The HTML project and execution reports: their texts, their structure, and
// the failure to create the file.
#include <gtest/gtest.h>

#include "project/Project.h"
#include "quarnel/Reports.h"
#include "support/Prompt.h"
#include "tests/common/TestEnv.h"
#include "tests/quarnel/HtmlCheck.h"

using htmlcheck::ExpectBalanced;
using htmlcheck::Flat;

namespace {

class RecordingPrompt : public Prompt {
 public:
  void Message(std::string_view caption, std::string_view text, PromptIcon) override {
    messages.push_back(std::string(caption) + "|" + std::string(text));
  }
  PromptAnswer Ask(std::string_view, std::string_view, PromptIcon, PromptButtons, PromptAnswer p) override {
    return p;
  }
  std::vector<std::string> messages;
};

size_t Count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos + 1)) ++n;
  return n;
}

ReportInfo Info() {
  ReportInfo info;
  info.version = "1.2";
  info.title = "Quarnel";
  info.created = 86400 * 365;  // a fixed time
  return info;
}

TEST(ProjectReport, EmptyProjectHasSummaryAndNamedGeneratorsOnly) {
  testenv::TempDir dir;
  Project project;
  ASSERT_EQ(WriteProjectReport(dir.file("r.html"), project, Info()), 0);
  const std::string html = Flat(testenv::ReadFile(dir.file("r.html")));
  EXPECT_NE(html.find("<title>Orvane Quarnel Project Report</title>"), std::string::npos);
  EXPECT_NE(html.find("<h2><p align=center>Orvane Quarnel Project Report</p></h2>"), std::string::npos);
  EXPECT_NE(html.find("<ul><li><a href=\"#P0\">Summary</a></li><li><a href=\"#PNG\">Named Generators</a></li></ul>"),
            std::string::npos);
  EXPECT_NE(html.find("<td width=20%>Total Rules</td><td>0</td>"), std::string::npos) << html;
  EXPECT_NE(html.find("<td>Not connected</td>"), std::string::npos);
  EXPECT_NE(html.find("<td>Complete execution mode</td>"), std::string::npos);
  EXPECT_NE(html.find("<p>There are no named generators</p>"), std::string::npos);
  EXPECT_NE(html.find("<td>1.2, ANSI, Quarnel</td>"), std::string::npos);
  EXPECT_EQ(html.find("Project Description"), std::string::npos);
  EXPECT_NE(html.find("<table width=100% cellpadding=3 cellspacing=0 border=1 style=\"border-collapse: collapse\" "
                      "bordercolor=black>"),
            std::string::npos);
  ExpectBalanced(html);
}

TEST(ProjectReport, RulesColumnsScriptsAndGenerators) {
  testenv::TempDir dir;
  Project project;
  project.Description = "Sales <test> & more";
  project.sqlBefore = "delete from a;\r\ndelete from b;\n \t\r\n";
  project.NoExec = 1;
  project.ToFile = 1;
  project.SQLFile = "out.sql";
  project.ToTxtFile = 1;  // no file name: not listed
  Rule data;
  data.TabName = "orders";
  data.note = "main table";
  ColumnRule id;
  id.Name = "id";
  id.TypeName = "varchar";
  id.iType = 12;
  id.iSize = 10;
  id.Method = kMethodIgnore;
  data.Fields = {id};
  data.OutFile = "rule.sql";
  data.sqlAfter = "update x;\nupdate y;";
  Rule clear;
  clear.Mode = kRuleClear;
  clear.ClTab = {{"orders", 1}, {"lines", 1}};
  Rule objects;
  objects.Mode = kRuleObjects;
  objects.OText = "create view v as select 1";
  project.rules = {data, clear, objects};
  ColumnRule gen;
  gen.NamedGen = "Mails";
  gen.Method = kMethodPattern;
  gen.Mask = "aaa";
  project.namedGens = {gen};
  ASSERT_EQ(WriteProjectReport(dir.file("r.html"), project, Info()), 0);
  const std::string html = Flat(testenv::ReadFile(dir.file("r.html")));
  EXPECT_NE(html.find("<li><a href=\"#P1\">Rule #1 (orders)</a></li>"), std::string::npos);
  EXPECT_NE(html.find("<li><a href=\"#P2\">Rule #2 clearing 2 table(s)</a></li>"), std::string::npos);
  EXPECT_NE(html.find("<li><a href=\"#P3\">Rule #3</a></li>"), std::string::npos);
  EXPECT_NE(html.find("<td>Sales &lt;test&gt; &amp; more</td>"), std::string::npos);
  EXPECT_NE(html.find("<td>delete from a;<br>delete from b;</td>"), std::string::npos) << html;
  EXPECT_NE(html.find("<td>Create output files only</td>"), std::string::npos);
  EXPECT_NE(html.find("<td>out.sql</td>"), std::string::npos);
  EXPECT_EQ(html.find("Output text file"), std::string::npos);
  EXPECT_NE(html.find("<a name=\"P1\"><h3><p align=center>Rule #1</p></h3><b>Generator for &apos;orders&apos;, append</b>, "
                      "main table</a>, <a href=\"#\">top</a>"),
            std::string::npos)
      << html;
  EXPECT_NE(html.find("<b>Clear Rule, 2 table(s)</b></a>, <a href=\"#\">top</a>"), std::string::npos);
  EXPECT_NE(html.find("<th width=20%>Rule Item</th><th width=15%>Data Type</th><th>Description</th>"),
            std::string::npos);
  EXPECT_NE(html.find("<td width=20%>Field: id</td><td width=15%>varchar(10)</td><td>Ignore</td>"),
            std::string::npos);
  EXPECT_NE(html.find("<td width=20%>Clear Table</td><td>Table: lines</td>"), std::string::npos);
  EXPECT_NE(html.find("<td width=20%>Template</td><td>create view v as select 1</td>"), std::string::npos);
  EXPECT_NE(html.find("<p><b>Rule SQL output file is</b> 'rule.sql'</p>"), std::string::npos);
  EXPECT_NE(html.find("<p><b>Rule level epilogue SQL script:</b><br>update x;<br>update y;"), std::string::npos);
  EXPECT_NE(html.find("<td width=20%>Mails</td><td>By pattern &apos;aaa&apos;"), std::string::npos);
  ExpectBalanced(html);
}

TEST(ExecutionReport, FiveCellsPerRowWithBlanksForEmptyCells) {
  testenv::TempDir dir;
  ReportInfo info = Info();
  info.connection = "DRIVER=SQLite3";
  std::vector<ConsoleLine> lines = {{"orders", "Done", "100", "0", ""}, {"", "", "", "", "<note>"}};
  ASSERT_EQ(WriteExecutionReport(dir.file("e.html"), lines, info), 0);
  const std::string html = Flat(testenv::ReadFile(dir.file("e.html")));
  EXPECT_NE(html.find("<h3><p align=center>Orvane Quarnel Execution Report</p></h3>"), std::string::npos);
  EXPECT_NE(html.find("<h3><p align=center>Execution Results</p></h3>"), std::string::npos);
  EXPECT_NE(html.find("<td width=20%>Report created</td><td>01-Jan-1971</td>"), std::string::npos) << html;
  EXPECT_NE(html.find("<td>DRIVER=SQLite3</td>"), std::string::npos);
  EXPECT_NE(html.find("<th>Table/Object</th><th>Status</th><th>Inserted/Created</th><th>Rejected</th><th>Note</th>"),
            std::string::npos);
  EXPECT_NE(html.find("<td>&nbsp;</td><td>&nbsp;</td><td>&nbsp;</td><td>&nbsp;</td><td>&lt;note&gt;</td>"),
            std::string::npos);
  EXPECT_EQ(Count(html, "<td"), 6u + 10u);
  EXPECT_EQ(Count(html, "width=90% cellpadding=5"), 2u);
  ExpectBalanced(html);
}

TEST(Reports, UncreatableFileIsReportedAndNothingWritten) {
  testenv::TempDir dir;
  RecordingPrompt prompt;
  const std::string path = dir.file("missing/r.html");
  EXPECT_EQ(WriteProjectReport(path, Project{}, Info(), &prompt), kReportNotCreated);
  EXPECT_EQ(WriteExecutionReport(path, {}, Info(), &prompt), kReportNotCreated);
  EXPECT_EQ(prompt.messages, (std::vector<std::string>(2, "Error|Could not open or create report file")));
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
