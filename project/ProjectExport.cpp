#include "project/ProjectExport.h"

#include <filesystem>
#include <functional>

#include "support/Database.h"
#include "support/HtmlWriter.h"

namespace {

using Quote = std::function<std::string(std::string_view)>;

std::string AsIs(std::string_view text) { return std::string(text); }

std::string Flag(int value) { return value ? "1" : "0"; }

std::string Attr(std::string_view name, std::string_view value) {
  return std::string(name) + "=\"" + std::string(value) + "\"";
}

// The row-count attributes of a rule, by RcMode.
std::string RowCountAttributes(const Rule& r, const Quote& quote) {
  const std::string range = std::to_string(r.RecordsFrom) + ":" + std::to_string(r.RecordsTo);
  switch (r.RcMode) {
    case kRcRandom:
      return Attr("Random", range);
    case kRcSameAsTable:
      return Attr("Table", quote(r.CountTable)) + " " + Attr("Column", quote(r.CountColumn));
    case kRcSql:
      return Attr("Sql", quote(r.CountSQL));
    case kRcTableDriven:
      return Attr("Driven", quote(r.CountTable)) + " " + Attr("Column", quote(r.CountColumn)) + " " +
             Attr("Random", range);
    default:
      return Attr("Records", std::to_string(r.Records));
  }
}

// ` length="10" digits="2"` for a sized column, else empty.
std::string SizePart(const ColumnRule& c) {
  if (c.iSize <= 0 || c.iSize >= 1000000) return {};
  std::string part = " " + Attr("length", std::to_string(c.iSize));
  if (c.iDigits > 0) part += " " + Attr("digits", std::to_string(c.iDigits));
  return part;
}

// Methods 9 and 11 keep their own pattern; every other column, pattern
// columns included (a regular expression becomes its pattern), is converted.
const std::string& PatternOf(ColumnRule& c, const Rule* rule, const ExportContext& context) {
  ColumnRuleToPattern(c, rule, &context.settings, context.connection);
  return c.Mask;
}

bool HasVariables(const Project& project, const ExportContext& context) {
  return !project.localVars.empty() || (context.globals && !context.globals->empty());
}

template <typename F>
void ForEachVariable(const Project& project, const ExportContext& context, F f) {
  for (const ProjectVariable& v : project.localVars) f(v);
  if (context.globals)
    for (const ProjectVariable& v : *context.globals) f(v);
}

std::string TrimRight(std::string_view text) {
  size_t end = text.find_last_not_of(" \t\r\n");
  return std::string(end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1));
}

std::string WithoutDoubleQuotes(std::string text) {
  std::erase(text, '"');
  return text;
}

// Every attribute value of the document is escaped: a pattern or default
// holding a quote or "<" must not break the markup a reader parses.
void WritePortableRule(HTML& xml, Rule& r, const ExportContext& context) {
  const Quote q = [](std::string_view t) { return HTML::AttributeQuoting(t); };
  xml.OpenTag("rule", "Type", RuleKindName(r));
  std::string out = "<active>" + std::to_string(r.Enabled) + "</active>\r\n";
  if (r.Mode == kRuleData || r.Mode == kRuleFile) {
    out += "<table " + Attr("Name", q(r.TabName)) + "/>\r\n";
    if (!r.note.empty()) out += "<note>" + HTML::Quoting(r.note) + "</note>\r\n";
    out += "<rowcount " + RowCountAttributes(r, q) + "/>\r\n";
    out += "<transaction " + Attr("size", std::to_string(r.PerTrans)) + "/>\r\n";
    out += "<mode " + Attr("InsMode", InsertModeName(r)) + "/>\r\n";
    if (r.InsMode == kInsUpdate || r.InsMode == kInsScramble)
      out += "<where " + Attr("sql", q(r.UpdWhere)) + "/>\r\n";
    if (r.InsMode == kInsScramble) out += "<target " + Attr("table", q(r.sTarget)) + "/>\r\n";
  } else if (r.Mode == kRuleClear) {
    for (const ClearTable& t : r.ClTab)
      out += "<clear " + Attr("table", q(t.ClTab)) + " " + Attr("use", std::to_string(t.ClUse)) + "/>\r\n";
  } else if (r.Mode == kRuleTables || r.Mode == kRuleObjects) {
    out += "<table " + Attr("Name", q(r.TabName)) + "/>\r\n";
    if (r.Mode == kRuleTables) out += "<rowcount " + Attr("records", std::to_string(r.Records)) + "/>\r\n";
    out += "<transaction " + Attr("size", std::to_string(r.PerTrans)) + "/>\r\n";
    out += "<tables " + Attr("n", std::to_string(r.nTables)) + "/>\r\n";
    if (r.Mode == kRuleObjects)
      out += "<object " + Attr("type", std::to_string(r.OType)) + " " + Attr("text", q(r.OText)) + "/>\r\n";
  }
  if (!r.sqlBefore.empty() || !r.sqlAfter.empty())
    out += "<sql " + Attr("before", q(r.sqlBefore)) + " " + Attr("after", q(r.sqlAfter)) + "/>\r\n";
  xml.Raw(out);
  if (!r.OutFile.empty()) xml.Tag("RuleToFile", r.OutFile);
  if (!r.OutFileTXT.empty()) xml.Tag("RuleToTxtFile", r.OutFileTXT);
  if (!r.OutFileXML.empty()) xml.Tag("RuleToXMLFile", r.OutFileXML);
  for (ColumnRule& c : r.Fields) {
    out = "  <column " + Attr("Name", q(c.Name)) + ">\r\n";
    out += "   <type " + Attr("code", std::to_string(c.iType)) + " " + Attr("name", q(c.TypeName)) +
           SizePart(c) + " " + Attr("null", Flag(c.isNull)) + " " + Attr("default", q(c.sDefault)) +
           "/>\r\n";
    const std::string& pattern = PatternOf(c, &r, context);
    if (!pattern.empty()) out += "   <pattern " + Attr("text", q(pattern)) + "/>\r\n";
    out += "  </column>\r\n";
    xml.Raw(out);
  }
  xml.CloseTag("rule");
}

// The script's lines: a level of single blanks, the text, CR LF.
class ScriptWriter {
 public:
  explicit ScriptWriter(HTML& out) : out_(out) {}
  void Line(int level, std::string_view text) {
    line_.assign(static_cast<size_t>(level), ' ');
    line_ += text;
    line_ += "\r\n";
    out_.Raw(line_);
  }
  void Key(int level, std::string_view key, std::string_view value) { Line(level, Attr(key, value)); }
  void KeyIfSet(int level, std::string_view key, std::string_view value) {
    if (!value.empty()) Key(level, key, value);
  }
  // Prologue and epilogue, when either is set, without trailing blanks.
  void Scripts(int level, const std::string& before, const std::string& after) {
    if (before.empty() && after.empty()) return;
    Key(level, "sqlBefore", TrimRight(before));
    Key(level, "sqlAfter", TrimRight(after));
  }

 private:
  HTML& out_;
  std::string line_;
};

void WriteScriptRule(ScriptWriter& w, Rule& r, const ExportContext& context) {
  w.Line(1, "Rule " + Attr("Type", RuleKindName(r)));
  if (r.Mode == kRuleData || r.Mode == kRuleFile) {
    w.Line(2, "Table " + Attr("Name", WithoutDoubleQuotes(r.TabName)));
    w.KeyIfSet(2, "Note", r.note);
    w.Line(2, "Rowcount " + RowCountAttributes(r, &AsIs));
    w.Key(2, "TransactionSize", std::to_string(r.PerTrans));
    w.Key(2, "InsMode", InsertModeName(r));
    if (r.InsMode == kInsUpdate || r.InsMode == kInsScramble) w.Key(2, "Where", r.UpdWhere);
    if (r.InsMode == kInsScramble) w.Key(2, "Target", r.sTarget);
  } else if (r.Mode == kRuleClear) {
    for (const ClearTable& t : r.ClTab)
      if (t.ClUse) w.Line(2, "Table " + Attr("Name", WithoutDoubleQuotes(t.ClTab)));
  } else if (r.Mode == kRuleTables || r.Mode == kRuleObjects) {
    w.Key(2, "Name", r.TabName);
    if (r.Mode == kRuleTables) w.Line(2, "Rowcount " + Attr("Records", std::to_string(r.Records)));
    w.Key(2, "TransactionSize", std::to_string(r.PerTrans));
    w.Key(2, "ObjectsN", std::to_string(r.nTables));
    if (r.Mode == kRuleObjects)
      w.Line(2, "Object " + Attr("Type", std::to_string(r.OType)) + " " + Attr("Text", r.OText));
  }
  w.Scripts(2, r.sqlBefore, r.sqlAfter);
  w.KeyIfSet(2, "RuleToFile", r.OutFile);
  w.KeyIfSet(2, "RuleToTxtFile", r.OutFileTXT);
  w.KeyIfSet(2, "RuleToXMLFile", r.OutFileXML);
  if (r.Fields.empty()) return;
  w.Line(2, "Fields");
  for (ColumnRule& c : r.Fields) {
    w.Line(3, "Field " + Attr("Name", c.Name));
    std::string type = "DataType " + Attr("Code", std::to_string(c.iType)) + " " + Attr("Name", c.TypeName) +
                       SizePart(c);
    if (c.isNull) type += " " + Attr("Null", "1");
    if (!c.sDefault.empty()) type += " " + Attr("Default", c.sDefault);
    w.Line(4, type);
    w.KeyIfSet(4, "Pattern", PatternOf(c, &r, context));
  }
}

}  // namespace

int ExportPortable(const std::string& path, Project& project, const ExportContext& context) {
  HTML xml;
  if (xml.Open(path) != 0) return -1;
  xml.HeadXML();
  xml.OpenTag("project", "Version", "1.44");
  xml.Tag("NoExec", Flag(project.NoExec));
  if (project.ToFile) {
    xml.Tag("ToFile", project.SQLFile);
    xml.Tag("TruncateSQL", Flag(project.TruncateSQL));
  }
  if (project.ToTxtFile) {
    xml.Tag("ToTxtFile", project.TXTFile);
    xml.Tag("TruncateTXT", Flag(project.TruncateTXT));
  }
  if (project.ToXMLFile) {
    xml.Tag("ToXMLFile", project.XMLFile);
    xml.Tag("TruncateXML", Flag(project.TruncateXML));
  }
  xml.Tag("StmtDelimiter", project.StmtDelimiter);
  xml.Tag("TxtDelimiter", project.TxtDelimiter);
  xml.Tag("TxtHeader", Flag(project.TxtOutColumnNames));
  xml.Tag("TxtQuoteAlways", Flag(project.QuoteExportString));
  if (!project.namedGens.empty()) {
    xml.OpenTag("NamedGenerators");
    for (ColumnRule& g : project.namedGens) {
      const std::string& pattern = PatternOf(g, nullptr, context);
      xml.Raw("<generator " + Attr("name", HTML::AttributeQuoting(g.NamedGen)) + " " +
              Attr("pattern", HTML::AttributeQuoting(pattern)) + "/>\r\n");
    }
    xml.CloseTag("NamedGenerators");
  }
  if (HasVariables(project, context)) {
    xml.OpenTag("Variables");
    ForEachVariable(project, context, [&](const ProjectVariable& v) {
      xml.Raw("<variable " + Attr("name", HTML::AttributeQuoting(v.Name)) + " " +
              Attr("type", HTML::AttributeQuoting(v.Type)) + " " + Attr("def", HTML::AttributeQuoting(v.Def)) +
              "/>\r\n");
    });
    xml.CloseTag("Variables");
  }
  if (!project.sqlBefore.empty() || !project.sqlAfter.empty()) {
    xml.Tag("sqlBefore", project.sqlBefore);
    xml.Tag("sqlAfter", project.sqlAfter);
  }
  if (!project.Description.empty()) xml.Tag("note", project.Description);
  if (!project.Author.empty()) xml.Tag("author", project.Author);
  for (Rule& r : project.rules) WritePortableRule(xml, r, context);
  xml.CloseTag("project");
  return xml.Close() == 0 ? 0 : -1;
}

int ExportScript(const std::string& path, Project& project, const ExportContext& context) {
  HTML file;
  if (file.Open(path) != 0) return -1;
  ScriptWriter w(file);
  w.Line(0, "Project " + Attr("Name", std::filesystem::path(path).stem().string()));

  const CONN_INFO& con = context.connection ? context.connection->Info() : project.Connection;
  w.Line(1, "Connection");
  w.Key(2, "Type", con.ConType == CONN_INFO::kOdbc ? "ODBC" : "None");
  w.KeyIfSet(2, "User", con.conUser);
  w.KeyIfSet(2, "Owner", con.conOwner);
  w.KeyIfSet(2, "DSN", con.conDSN);
  w.KeyIfSet(2, "Database", con.conDB);
  w.KeyIfSet(2, "File", con.conFile);
  // A script is read and passed around: it never carries the password.

  w.Key(1, "NoExec", Flag(project.NoExec));
  if (project.ToFile) {
    w.Key(1, "ToFile", project.SQLFile);
    w.Key(1, "TruncateSQL", Flag(project.TruncateSQL));
  }
  if (project.ToTxtFile) {
    w.Key(1, "ToTxtFile", project.TXTFile);
    w.Key(1, "TruncateTXT", Flag(project.TruncateTXT));
  }
  if (project.ToXMLFile) {
    w.Key(1, "ToXMLFile", project.XMLFile);
    w.Key(1, "TruncateXML", Flag(project.TruncateXML));
  }
  w.Key(1, "StmtDelimiter", project.StmtDelimiter);
  w.Key(1, "TxtDelimiter", project.TxtDelimiter);
  w.Key(1, "TxtHeader", Flag(project.TxtOutColumnNames));
  w.Key(1, "TxtQuoteAlways", Flag(project.QuoteExportString));
  w.Scripts(1, project.sqlBefore, project.sqlAfter);
  w.KeyIfSet(1, "note", project.Description);
  w.KeyIfSet(1, "author", project.Author);

  if (!project.namedGens.empty()) {
    w.Line(1, "NamedGenerators");
    for (ColumnRule& g : project.namedGens) {
      const std::string& pattern = PatternOf(g, nullptr, context);
      w.Line(2, Attr("Name", g.NamedGen) + " " + Attr("Pattern", pattern));
    }
  }
  if (HasVariables(project, context)) {
    w.Line(1, "Variables");
    ForEachVariable(project, context, [&](const ProjectVariable& v) {
      w.Line(2, Attr("Name", v.Name) + " " + Attr("Type", v.Type) + " " + Attr("Def", v.Def));
    });
  }
  for (Rule& r : project.rules)
    if (r.Enabled) WriteScriptRule(w, r, context);
  return file.Close() == 0 ? 0 : -1;
}
