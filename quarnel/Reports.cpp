#include "quarnel/Reports.h"

#include <array>
#include <string_view>

#include "project/Project.h"
#include "support/HtmlWriter.h"
#include "support/Prompt.h"

namespace {

constexpr std::string_view kProjectTable =
    "width=100% cellpadding=3 cellspacing=0 border=1 style=\"border-collapse: collapse\" bordercolor=black";
constexpr std::string_view kExecutionTable =
    "width=90% cellpadding=5 cellspacing=0 border=1 style=\"border-collapse: collapse\" bordercolor=black";
constexpr std::string_view kProduct = "Orvane Quarnel";

std::string TimeText(std::time_t when, const char* format) {
  if (when == 0) when = std::time(nullptr);
  std::tm local{};
  localtime_r(&when, &local);
  char buffer[64];
  const size_t n = std::strftime(buffer, sizeof buffer, format, &local);
  return std::string(buffer, n);
}

// Escaped text with its line ends as "<br>"; with `trim`, trailing blanks,
// tabs and line ends are dropped first.
std::string ScriptMarkup(std::string_view text, bool trim) {
  if (trim) {
    const size_t end = text.find_last_not_of(" \t\r\n");
    text = end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
  }
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' || text[i] == '\r') out += "<br>";
    else out += HTML::Quoting(text.substr(i, 1));
  }
  return out;
}

class ReportWriter {
 public:
  explicit ReportWriter(HTML& html) : html_(html) {}

  // A cell with escaped text; an empty text is a non-breaking blank so the
  // cell keeps its borders.
  void Cell(std::string_view text, std::string_view attributes = {}) {
    html_.TableElem(1, attributes);
    if (text.empty()) html_.Raw("&nbsp;");
    else html_.Text(text);
    html_.TableElem(0);
  }
  void MarkupCell(std::string_view markup, std::string_view attributes = {}) {
    html_.TableElem(1, attributes);
    html_.Raw(markup.empty() ? "&nbsp;" : markup);
    html_.TableElem(0);
  }
  void Row2(std::string_view first, std::string_view second, int header = 0) {
    html_.TableRow(1, header);
    Cell(first, "width=20%");
    Cell(second);
    html_.TableRow(0);
  }
  void Row2Markup(std::string_view first, std::string_view secondMarkup) {
    html_.TableRow(1, 0);
    Cell(first, "width=20%");
    MarkupCell(secondMarkup);
    html_.TableRow(0);
  }
  void Row3(std::string_view first, std::string_view second, std::string_view third, int header = 0) {
    html_.TableRow(1, header);
    Cell(first, "width=20%");
    Cell(second, "width=15%");
    Cell(third);
    html_.TableRow(0);
  }
  void Row5(const std::array<std::string_view, 5>& cells, int header = 0) {
    html_.TableRow(1, header);
    for (std::string_view cell : cells) Cell(cell);
    html_.TableRow(0);
  }

 private:
  HTML& html_;
};

int OpenReport(HTML& html, const std::string& path, Prompt* prompt) {
  if (html.Open(path) == 0) return 0;
  (prompt ? *prompt : CurrentPrompt())
      .Message("Error", "Could not open or create report file", PromptIcon::kError);
  return kReportNotCreated;
}

int Finish(HTML& html) { return html.Close(1) == 0 ? 0 : kReportNotWritten; }

std::string ColumnType(const ColumnRule& c) {
  return c.TypeName.find('(') == std::string::npos ? c.TypeName + c.sSize(1, 0) : c.TypeName;
}

void RuleBody(HTML& html, ReportWriter& w, const Rule& rule) {
  html.Table(1, 0, kProjectTable);
  switch (rule.Mode) {
    case kRuleData:
      w.Row3("Rule Item", "Data Type", "Description", 1);
      for (const ColumnRule& c : rule.Fields) w.Row3("Field: " + c.Name, ColumnType(c), DescribeColumnRule(c));
      break;
    case kRuleFile:
      w.Row2("Rule Item", "Description", 1);
      for (const ColumnRule& c : rule.Fields) w.Row2(c.Name, DescribeColumnRule(c));
      break;
    case kRuleTables:
    case kRuleObjects:
      w.Row2("Template", rule.OText);
      break;
    case kRuleClear:
      for (const ClearTable& table : rule.ClTab) w.Row2("Clear Table", "Table: " + table.ClTab);
      break;
    default:
      break;
  }
  html.Table(0);
  const auto file = [&](std::string_view label, const std::string& name) {
    if (!name.empty()) html.Raw("<p><b>" + std::string(label) + "</b> '" + HTML::Quoting(name) + "'</p>\n");
  };
  file("Rule SQL output file is", rule.OutFile);
  file("Rule text output file is", rule.OutFileTXT);
  file("Custom rule XML output file is", rule.OutFileXML);
  if (!rule.sqlBefore.empty())
    html.Raw("<p><b>Rule level prologue SQL script:</b><br>" + ScriptMarkup(rule.sqlBefore, false) + "</p>\n");
  if (!rule.sqlAfter.empty())
    html.Raw("<p><b>Rule level epilogue SQL script:</b><br>" + ScriptMarkup(rule.sqlAfter, false) + "</p>\n");
}

}  // namespace

int WriteProjectReport(const std::string& path, const Project& project, const ReportInfo& info, Prompt* prompt) {
  HTML html;
  if (int status = OpenReport(html, path, prompt)) return status;
  ReportWriter w(html);
  const std::string title = "Orvane Quarnel Project Report";
  html.Head(title);
  html.Raw("<h2><p align=center>" + HTML::Quoting(title) + "</p></h2>\n");

  html.Raw("<ul><li><a href=\"#P0\">Summary</a></li>\n");
  for (size_t n = 1; n <= project.rules.size(); ++n) {
    const Rule& rule = project.rules[n - 1];
    std::string suffix;
    if (rule.Mode == kRuleData) suffix = " (" + HTML::Quoting(rule.TabName) + ")";
    else if (rule.Mode == kRuleClear) suffix = " clearing " + std::to_string(rule.ClTab.size()) + " table(s)";
    const std::string number = std::to_string(n);
    html.Raw("<li><a href=\"#P" + number + "\">Rule #" + number + suffix + "</a></li>\n");
  }
  html.Raw("<li><a href=\"#PNG\">Named Generators</a></li>\n</ul>\n");

  html.Raw("<a name=\"P0\"><h3><p align=center>Summary</p></h3></a>\n");
  html.Table(1, 0, kProjectTable);
  w.Row2("Report Attribute", "Value", 1);
  w.Row2("Report created", TimeText(info.created, "%d-%b-%Y %H:%M"));
  w.Row2(kProduct, info.version + ", ANSI, " + info.title);
  if (!project.Description.empty()) w.Row2("Project Description", project.Description);
  if (!project.Author.empty()) w.Row2("Project Author", project.Author);
  w.Row2("Connection", info.connection.empty() ? "Not connected" : info.connection);
  w.Row2("Total Rules", std::to_string(project.rules.size()));
  if (!ScriptMarkup(project.sqlBefore, true).empty())
    w.Row2Markup("Prologue SQL script", ScriptMarkup(project.sqlBefore, true));
  if (!ScriptMarkup(project.sqlAfter, true).empty())
    w.Row2Markup("Epilogue SQL script", ScriptMarkup(project.sqlAfter, true));
  w.Row2("Execution mode", project.NoExec ? "Create output files only" : "Complete execution mode");
  if (project.ToFile && !project.SQLFile.empty()) w.Row2("Output SQL file", project.SQLFile);
  if (project.ToTxtFile && !project.TXTFile.empty()) w.Row2("Output text file", project.TXTFile);
  if (project.ToXMLFile && !project.XMLFile.empty()) w.Row2("Output XML document", project.XMLFile);
  html.Table(0);

  for (size_t n = 1; n <= project.rules.size(); ++n) {
    const Rule& rule = project.rules[n - 1];
    const std::string number = std::to_string(n);
    const std::string note = rule.note.empty() ? "" : ", " + HTML::Quoting(rule.note);
    html.Raw("<a name=\"P" + number + "\"><h3><p align=center>Rule #" + number + "</p></h3><b>" +
             HTML::Quoting(DescribeRule(rule, true)) + "</b>" + note + "</a>, <a href=\"#\">top</a>\n");
    RuleBody(html, w, rule);
  }

  html.Raw("<a name=\"PNG\"><h3><p align=center>Named Generators</p></h3></a>\n");
  if (project.namedGens.empty()) {
    html.Raw("<p>There are no named generators</p>\n");
  } else {
    html.Table(1, 0, kProjectTable);
    w.Row2("Generator Name", "Description", 1);
    for (const ColumnRule& generator : project.namedGens) w.Row2(generator.NamedGen, DescribeColumnRule(generator));
    html.Table(0);
  }
  return Finish(html);
}

int WriteExecutionReport(const std::string& path, const std::vector<ConsoleLine>& lines, const ReportInfo& info,
                         Prompt* prompt) {
  HTML html;
  if (int status = OpenReport(html, path, prompt)) return status;
  ReportWriter w(html);
  const std::string title = "Orvane Quarnel Execution Report";
  html.Head(title);
  html.Raw("<h3><p align=center>" + HTML::Quoting(title) + "</p></h3>\n");
  html.Table(1, 0, kExecutionTable);
  w.Row2("Report Attribute", "Value", 1);
  w.Row2("Report created", TimeText(info.created, "%d-%b-%Y"));
  w.Row2(kProduct, info.version);
  w.Row2("Connection", info.connection.empty() ? "Not connected" : info.connection);
  html.Table(0);
  html.Raw("<h3><p align=center>Execution Results</p></h3>\n");
  html.Table(1, 0, kExecutionTable);
  w.Row5({"Table/Object", "Status", "Inserted/Created", "Rejected", "Note"}, 1);
  for (const ConsoleLine& line : lines) w.Row5({line.item, line.state, line.inserted, line.rejected, line.note});
  html.Table(0);
  return Finish(html);
}
