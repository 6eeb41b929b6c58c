#include "project/ProjectExport.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <set>

#include "project/ProjectDocument.h"
#include "support/SysReg.h"
#include "tests/common/TestEnv.h"

namespace {

class QuietPrompt : public Prompt {
 public:
  void Message(std::string_view, std::string_view, PromptIcon) override {}
  PromptAnswer Ask(std::string_view, std::string_view, PromptIcon, PromptButtons, PromptAnswer a) override {
    return a;
  }
};

// Every stored field of a column rule set to something other than its default.
ColumnRule FullColumn(int n) {
  ColumnRule c;
  c.Name = "col " + std::to_string(n);
  c.TypeName = "NUMERIC(12,2)";
  c.iType = 2;
  c.iSize = 12;
  c.iDigits = 2;
  c.isNull = 0;
  c.sDefault = "0.00";
  c.LowRange = " 1";
  c.HighRange = "#max";
  c.sFormat = "%.2f";
  c.RndSeparators = 3;
  c.Method = kMethodSql;
  c.UseNulls = 7;
  c.Unique = 1;
  c.SequenceLen = 4;
  c.Seqent = 1;
  c.asMask = 1;
  c.asList = 1;
  c.NoQuotas = 1;
  c.AlwaysQuote = 1;
  c.Table = "t=1";
  c.Column = "c\\x";
  c.seqFK = 2;
  c.groupNo = 3;
  c.FileName = "f\tname";
  c.fileSeparator = "|";
  c.LibName = "Cities.Name";
  c.Start = "10";
  c.Step = "-2";
  c.Times = 5;
  c.Cycle = 6;
  c.AfterLast = 1;
  c.incTimeMode = 4;
  c.Mask = "$Query((x),1)";
  c.regexp = "[a]";
  c.SQL = "select 1\r\nfrom t";
  c.NamedGen = "ng";
  c.ConType = 1;
  c.conDSN = "dsn";
  c.conUser = "u";
  c.conPwd = "p w";
  c.conDB = "db";
  c.conFile = "file";
  c.conOwner = "own";
  c.conStr = "DRIVER=x;";
  c.conServer = "srv";
  c.conDriver = 2;
  c.conMode = 3;
  c.conInt = 4;
  c.unicode = {1, 5};
  return c;
}

void ExpectSameColumn(const ColumnRule& a, const ColumnRule& b) {
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.TypeName, b.TypeName);
  EXPECT_EQ(a.iType, b.iType);
  EXPECT_EQ(a.iSize, b.iSize);
  EXPECT_EQ(a.iDigits, b.iDigits);
  EXPECT_EQ(a.isNull, b.isNull);
  EXPECT_EQ(a.sDefault, b.sDefault);
  EXPECT_EQ(a.LowRange, b.LowRange);
  EXPECT_EQ(a.HighRange, b.HighRange);
  EXPECT_EQ(a.sFormat, b.sFormat);
  EXPECT_EQ(a.RndSeparators, b.RndSeparators);
  EXPECT_EQ(a.Method, b.Method);
  EXPECT_EQ(a.UseNulls, b.UseNulls);
  EXPECT_EQ(a.Unique, b.Unique);
  EXPECT_EQ(a.SequenceLen, b.SequenceLen);
  EXPECT_EQ(a.Seqent, b.Seqent);
  EXPECT_EQ(a.asMask, b.asMask);
  EXPECT_EQ(a.asList, b.asList);
  EXPECT_EQ(a.NoQuotas, b.NoQuotas);
  EXPECT_EQ(a.AlwaysQuote, b.AlwaysQuote);
  EXPECT_EQ(a.Table, b.Table);
  EXPECT_EQ(a.Column, b.Column);
  EXPECT_EQ(a.seqFK, b.seqFK);
  EXPECT_EQ(a.groupNo, b.groupNo);
  EXPECT_EQ(a.Values, b.Values);
  EXPECT_EQ(a.ValueUse, b.ValueUse);
  EXPECT_EQ(a.FileName, b.FileName);
  EXPECT_EQ(a.fileSeparator, b.fileSeparator);
  EXPECT_EQ(a.LibName, b.LibName);
  EXPECT_EQ(a.Start, b.Start);
  EXPECT_EQ(a.Step, b.Step);
  EXPECT_EQ(a.Times, b.Times);
  EXPECT_EQ(a.Cycle, b.Cycle);
  EXPECT_EQ(a.AfterLast, b.AfterLast);
  EXPECT_EQ(a.incTimeMode, b.incTimeMode);
  EXPECT_EQ(a.Mask, b.Mask);
  EXPECT_EQ(a.regexp, b.regexp);
  EXPECT_EQ(a.SQL, b.SQL);
  EXPECT_EQ(a.NamedGen, b.NamedGen);
  EXPECT_EQ(static_cast<const CONN_INFO&>(a), static_cast<const CONN_INFO&>(b));
  EXPECT_EQ(a.unicode, b.unicode);
}

// The round trip of a project that sets every stored field.
Project FullProject() {
  Project p;
  p.ToFile = p.ToTxtFile = p.ToXMLFile = 1;
  p.SQLFile = "out.sql";
  p.TXTFile = "out.txt";
  p.XMLFile = "out.xml";
  p.TruncateSQL = p.TruncateTXT = p.TruncateXML = p.NoExec = p.AddCommit = 1;
  p.StmtDelimiter = "go";
  p.TxtDelimiter = "<tab>";
  p.TxtOutColumnNames = p.QuoteExportString = p.QuoteExportHeader = p.XMLType = 1;
  p.sqlBefore = "create table x (a int);\n";
  p.sqlAfter = "drop table x";
  p.Description = "Ünïcode = yes";
  p.Author = "  me  ";
  p.BlobTable = "bt";
  p.BlobColumn = "bc";
  p.BlobDirectory = "/tmp/b";
  p.Connection.ConType = 1;
  p.Connection.conStr = "DRIVER=SQLite3;Database=x.db";
  p.DefScrConnection.conDSN = "scr";
  p.DefScrConnection.conPwd = "pw";
  p.localVars = {{"#a", "Constant", "1", ""}, {"#b", "Database Query", "select 2", ""}};
  ColumnRule gen = FullColumn(9);
  gen.Method = kMethodValueList;
  gen.Values = {"x", "y,z", ""};
  gen.ValueUse = {10, 20, 30};
  gen.ConType = 0;  // connection fields are kept for methods 1 and 8 only
  gen.conDSN = gen.conUser = gen.conPwd = gen.conDB = gen.conFile = gen.conOwner = gen.conStr = gen.conServer = "";
  gen.conDriver = gen.conMode = gen.conInt = 0;
  p.namedGens = {gen};
  Rule r;
  r.TabName = "tab";
  r.Mode = kRuleFile;
  r.InsMode = kInsScramble;
  r.Records = 11;
  r.nTables = 12;
  r.PerTrans = 13;
  r.RcMode = kRcTableDriven;
  r.RecordsFrom = 14;
  r.RecordsTo = 15;
  r.CountSQL = "select 3";
  r.CountTable = "ct";
  r.CountColumn = "cc";
  r.Enabled = 0;
  r.OType = 4;
  r.OText = "text";
  r.sqlBefore = "b";
  r.sqlAfter = "a";
  r.note = "n";
  r.UpdWhere = "id > 1";
  r.sTarget = "tgt";
  r.TargetConn.conDSN = "target";
  r.OutFile = "o1";
  r.OutFileTXT = "o2";
  r.OutFileXML = "o3";
  r.updColumn = {"k1", "k2"};
  r.Fields = {FullColumn(0), FullColumn(1)};
  Rule clear;
  clear.Mode = kRuleClear;
  clear.ClTab = {{"a", 1}, {"b", 0}};
  p.rules = {r, clear};
  return p;
}

TEST(ProjectRoundTrip, EveryFieldSurvivesAndSavingAgainIsByteIdentical) {
  testenv::TempDir dir;
  QuietPrompt prompt;
  ProjectDocument doc(&CDB::newDB, &prompt);
  doc.project() = FullProject();
  const std::string first = dir.file("full.qrp"), second = dir.file("again.qrp");
  ASSERT_EQ(doc.DoSave(first, false), 0) << doc.LastError();
  ProjectDocument loaded(&CDB::newDB, &prompt);
  ASSERT_EQ(loaded.DoLoad(first, true), 0) << loaded.LastError();
  EXPECT_TRUE(loaded.LastError().empty()) << loaded.LastError();
  const Project& a = doc.project();
  const Project& b = loaded.project();
  ASSERT_EQ(b.rules.size(), 2u);
  const Rule& r = b.rules[0];
  EXPECT_EQ(r.TabName, "tab");
  EXPECT_EQ(r.Mode, kRuleFile);
  EXPECT_EQ(r.InsMode, kInsScramble);
  EXPECT_EQ(r.Records + r.nTables + r.PerTrans + r.RecordsFrom + r.RecordsTo, 11 + 12 + 13 + 14 + 15);
  EXPECT_EQ(r.RcMode, kRcTableDriven);
  EXPECT_EQ(r.CountSQL + r.CountTable + r.CountColumn, "select 3ctcc");
  EXPECT_EQ(r.Enabled, 0);
  EXPECT_EQ(r.OType, 4);
  EXPECT_EQ(r.OText + r.sqlBefore + r.sqlAfter + r.note, "textban");
  EXPECT_EQ(r.UpdWhere, "id > 1");
  EXPECT_EQ(r.sTarget, "tgt");
  EXPECT_EQ(r.TargetConn, a.rules[0].TargetConn);
  EXPECT_EQ(r.OutFile + r.OutFileTXT + r.OutFileXML, "o1o2o3");
  EXPECT_EQ(r.updColumn, a.rules[0].updColumn);
  ASSERT_EQ(r.Fields.size(), 2u);
  ExpectSameColumn(r.Fields[1], a.rules[0].Fields[1]);
  ASSERT_EQ(b.rules[1].ClTab.size(), 2u);
  EXPECT_EQ(b.rules[1].ClTab[1].ClTab, "b");
  EXPECT_EQ(b.rules[1].ClTab[0].ClUse, 1);
  ASSERT_EQ(b.namedGens.size(), 1u);
  ExpectSameColumn(b.namedGens[0], a.namedGens[0]);
  ASSERT_EQ(b.localVars.size(), 2u);
  EXPECT_EQ(b.localVars[1].Def, "select 2");
  EXPECT_EQ(b.Connection, a.Connection);
  EXPECT_EQ(b.DefScrConnection, a.DefScrConnection);
  EXPECT_EQ(b.Description, a.Description);
  EXPECT_EQ(b.Author, a.Author);
  EXPECT_EQ(b.sqlBefore, a.sqlBefore);
  EXPECT_EQ(b.StmtDelimiter + b.TxtDelimiter + b.SQLFile + b.TXTFile + b.XMLFile + b.BlobTable + b.BlobColumn +
                b.BlobDirectory,
            "go<tab>out.sqlout.txtout.xmlbtbc/tmp/b");
  EXPECT_EQ(b.ToFile + b.ToTxtFile + b.ToXMLFile + b.TruncateSQL + b.TruncateTXT + b.TruncateXML + b.NoExec +
                b.AddCommit + b.TxtOutColumnNames + b.QuoteExportString + b.QuoteExportHeader + b.XMLType,
            12);
  ASSERT_EQ(loaded.DoSave(second, false), 0);
  EXPECT_EQ(testenv::ReadFile(first), testenv::ReadFile(second));
  EXPECT_EQ(testenv::ReadFile(first).find("p w"), std::string::npos);
}

TEST(DemoProject, LoadsSavesAndLoadsAgainUnchangedAndExports) {
  testenv::TempDir dir;
  QuietPrompt prompt;
  const std::string demo = (testenv::SourceDir() / "examples" / "demo.qrp").string();
  ProjectDocument doc(&CDB::newDB, &prompt);
  ASSERT_EQ(doc.DoLoad(demo, true), 0) << doc.LastError();
  EXPECT_TRUE(doc.LastError().empty()) << doc.LastError();
  std::set<int> methods;
  for (const Rule& r : doc.project().rules)
    for (const ColumnRule& c : r.Fields) methods.insert(c.Method);
  for (const ColumnRule& c : doc.project().namedGens) methods.insert(c.Method);
  EXPECT_EQ(methods.size(), 13u);
  const std::string saved = dir.file("demo.qrp");
  ASSERT_EQ(doc.DoSave(saved, false), 0);
  EXPECT_EQ(testenv::ReadFile(saved), testenv::ReadFile(demo));

  ExportContext context;
  const std::vector<ProjectVariable> globals = {{"@g", "Constant", "5", ""}};
  context.globals = &globals;
  ASSERT_EQ(ExportPortable(dir.file("demo.qrp2"), doc.project(), context), 0);
  ASSERT_EQ(ExportScript(dir.file("demo.qrl"), doc.project(), context), 0);
  const std::string xml = testenv::ReadFile(dir.file("demo.qrp2"));
  EXPECT_NE(xml.find("<project Version=\"1.44\">"), std::string::npos);
  EXPECT_NE(xml.find("<generator name=\"ProductWord\" pattern=\"$List(true,Cl\\assic,Deluxe,Comp\\act,Eco,Pro,Mini)\"/>\r\n"),
            std::string::npos);
  EXPECT_NE(xml.find("<variable name=\"@g\" type=\"Constant\" def=\"5\"/>\r\n"), std::string::npos);
  EXPECT_NE(xml.find("<rowcount Random=\"300:500\"/>\r\n"), std::string::npos);
  EXPECT_NE(xml.find("   <type code=\"2\" name=\"NUMERIC(10,2)\" length=\"10\" digits=\"2\" null=\"1\" default=\"NULL\"/>\r\n"),
            std::string::npos);
  EXPECT_NE(xml.find("<clear table=\"payments\" use=\"1\"/>\r\n"), std::string::npos);
  const std::string script = testenv::ReadFile(dir.file("demo.qrl"));
  EXPECT_EQ(script.rfind("Project Name=\"demo\"\r\n Connection\r\n  Type=\"ODBC\"\r\n", 0), 0u);
  EXPECT_NE(script.find(" Rule Type=\"clear\"\r\n  Table Name=\"payments\"\r\n"), std::string::npos);
  // The disabled rule is left out of the script.
  EXPECT_EQ(script.find("$DLL("), std::string::npos);
  EXPECT_NE(xml.find("$DLL("), std::string::npos);
}

TEST(PortableExport, EscapesAttributesAndOmitsEmptyLists) {
  testenv::TempDir dir;
  Project p;
  Rule r;
  r.TabName = "a\"b";
  r.InsMode = kInsUpdate;
  r.UpdWhere = "x < 3 & y > 1";
  ColumnRule c;
  c.Name = "v";
  c.iType = 12;
  c.iSize = 5;
  c.Method = kMethodValueList;
  c.Values = {"\"q\"", "<x>"};
  r.Fields.push_back(c);
  p.rules.push_back(r);
  ExportContext context;
  ASSERT_EQ(ExportPortable(dir.file("p.qrp2"), p, context), 0);
  const std::string xml = testenv::ReadFile(dir.file("p.qrp2"));
  EXPECT_EQ(xml.find("NamedGenerators"), std::string::npos);
  EXPECT_EQ(xml.find("Variables"), std::string::npos);
  EXPECT_NE(xml.find("<table Name=\"a&quot;b\"/>\r\n"), std::string::npos);
  EXPECT_NE(xml.find("<where sql=\"x &lt; 3 &amp; y &gt; 1\"/>\r\n"), std::string::npos);
  EXPECT_NE(xml.find("   <type code=\"12\" name=\"\" length=\"5\" null=\"1\" default=\"\"/>\r\n"), std::string::npos);
  EXPECT_NE(xml.find("   <pattern text=\"$List(true,&quot;q&quot;,\\&lt;x\\&gt;)\"/>\r\n"), std::string::npos);
  // Line ends and tabs inside an attribute reach an XML reader as they are.
  p.rules[0].UpdWhere = "x < 3\r\n\tand y > 1";
  ASSERT_EQ(ExportPortable(dir.file("lines.qrp2"), p, context), 0);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(dir.file("lines.qrp2").c_str()));
  EXPECT_EQ(std::string(doc.select_node("//where").node().attribute("sql").value()), "x < 3\r\n\tand y > 1");
  EXPECT_EQ(ExportPortable(dir.file("missing/p.qrp2"), p, context), -1);
  EXPECT_EQ(ExportScript(dir.file("missing/p.qrl"), p, context), -1);
}

TEST(ScriptExport, LinesOfRuleKinds) {
  testenv::TempDir dir;
  Project p;
  p.sqlBefore = "begin;  \r\n\t";
  Rule objects;
  objects.Mode = kRuleObjects;
  objects.TabName = "v_*";
  objects.nTables = 3;
  objects.OType = 0;
  objects.OText = "select 1";
  Rule data;
  data.TabName = "\"orders\"";
  data.InsMode = kInsScramble;
  data.RcMode = kRcSameAsTable;
  data.CountTable = "customers";
  data.CountColumn = "id";
  data.sTarget = "copy";
  ColumnRule c;
  c.Name = "amount";
  c.TypeName = "DECIMAL(8,2)";
  c.iType = 3;
  c.iSize = 8;
  c.iDigits = 2;
  c.sDefault = "0";
  c.LowRange = "1";
  c.HighRange = "5";
  data.Fields.push_back(c);
  p.rules = {objects, data};
  ASSERT_EQ(ExportScript(dir.file("s.qrl"), p, ExportContext{}), 0);
  const std::string expected =
      "Project Name=\"s\"\r\n Connection\r\n  Type=\"None\"\r\n NoExec=\"0\"\r\n StmtDelimiter=\"\"\r\n"
      " TxtDelimiter=\"\"\r\n TxtHeader=\"0\"\r\n TxtQuoteAlways=\"0\"\r\n sqlBefore=\"begin;\"\r\n sqlAfter=\"\"\r\n"
      " Rule Type=\"object\"\r\n  Name=\"v_*\"\r\n  TransactionSize=\"0\"\r\n  ObjectsN=\"3\"\r\n"
      "  Object Type=\"0\" Text=\"select 1\"\r\n"
      " Rule Type=\"data\"\r\n  Table Name=\"orders\"\r\n  Rowcount Table=\"customers\" Column=\"id\"\r\n"
      "  TransactionSize=\"0\"\r\n  InsMode=\"scramble\"\r\n  Where=\"\"\r\n  Target=\"copy\"\r\n  Fields\r\n"
      "   Field Name=\"amount\"\r\n    DataType Code=\"3\" Name=\"DECIMAL(8,2)\" length=\"8\" digits=\"2\" Null=\"1\" "
      "Default=\"0\"\r\n    Pattern=\"$Rfloat(1,5,2,)\"\r\n";
  EXPECT_EQ(testenv::ReadFile(dir.file("s.qrl")), expected);
}

}  // namespace
