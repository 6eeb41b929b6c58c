// The project model: what a run generates. A `Project` is an ordered list of
// rules, each aimed at a table (or a template of tables or objects, a flat file,
// or a set of tables to empty); a data rule holds one `ColumnRule` per column
// naming its fill method and that method's settings. Fields are named after
// their keys in the project file, so the file code, the engine and the editors
// speak of the same `LowRange` or `groupNo`.
//
// The records do not validate themselves: the editors keep values sensible and
// the readers of the project file keep counts and codes bounded.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/ConnInfo.h"
#include "values/OneRandom.h"

// Fill methods (`ColumnRule::Method`).
enum FillMethod {
  kMethodRandom = 0,
  kMethodLinkedTable = 1,
  kMethodValueList = 2,
  kMethodDiskFile = 3,
  kMethodIgnore = 4,
  kMethodLibrary = 5,
  kMethodIncremental = 6,
  kMethodPattern = 7,
  kMethodSql = 8,
  kMethodComputed = 9,
  kMethodGroupItem = 10,
  kMethodCustom = 11,
  kMethodNamedGen = 12,
};

// Rule kinds (`Rule::Mode`).
enum RuleKind { kRuleData = 0, kRuleTables = 1, kRuleObjects = 2, kRuleFile = 3, kRuleClear = 4 };

// Insert modes (`Rule::InsMode`).
enum InsertMode { kInsAppend = 0, kInsReplace = 1, kInsUpdate = 2, kInsScramble = 3 };

// Row-count modes (`Rule::RcMode`).
enum RowCountMode { kRcConstant = 0, kRcRandom = 1, kRcSameAsTable = 2, kRcSql = 3, kRcTableDriven = 4 };

// One column's fill method and its settings. The column descriptor part
// (Name, TypeName, iType, iSize, iDigits, isNull, sDefault) comes from the
// database; the random-value fields from RandomColumn; the connection fields
// (ConType, conDSN, ...) are the column's own connection for the linked-table
// and SQL methods, used instead of the current one when ConType is not 0.
struct ColumnRule : RandomColumn, CONN_INFO {
  int Method = kMethodRandom;
  int UseNulls = 0;     // percentage of NULLs; negative means none
  int Unique = 0;
  int SequenceLen = 1;  // each value serves this many consecutive rows
  int Seqent = 0;       // take list values in order
  int asMask = 0;       // a list value is itself a pattern
  int asList = 0;       // SQL method: load the whole result as a list
  int NoQuotas = 0;
  int AlwaysQuote = 0;
  std::string Table;    // linked table and column
  std::string Column;
  int seqFK = 0;        // linked-table key group
  int groupNo = 0;
  std::vector<std::string> Values;  // value list items
  std::vector<int> ValueUse;        // their usage percentages; may be shorter
  std::string FileName;
  std::string fileSeparator;
  std::string LibName;
  std::string Start = "1";
  std::string Step = "1";
  int Times = 1;
  int Cycle = 0;
  int AfterLast = 0;
  int incTimeMode = 0;  // 0 second .. 5 year
  std::string Mask;     // the pattern; after conversion the pattern form of any method
  std::string regexp;
  std::string SQL;
  std::string NamedGen;  // generator name (method 12), or a named generator's own name
  std::vector<int> unicode;  // Unicode block indices chosen in the rule editor
};

struct ClearTable {
  std::string ClTab;
  int16_t ClUse = 0;  // selected
};

struct Rule {
  std::string TabName;
  int Mode = kRuleData;
  int InsMode = kInsAppend;
  int Records = 0;
  int nTables = 0;
  int PerTrans = 0;  // 0: autocommit
  int RcMode = kRcConstant;
  int RecordsFrom = 0;
  int RecordsTo = 0;
  std::string CountSQL;
  std::string CountTable;
  std::string CountColumn;
  int Enabled = 1;
  int OType = 0;  // objects rule: 0 view, 1 procedure, 2 rule, 3 role, 4 trigger, 5 index
  std::string OText;
  std::string sqlBefore;
  std::string sqlAfter;
  std::string note;
  std::string UpdWhere;
  std::string sTarget;
  CONN_INFO TargetConn;  // scramble target; stored only when InsMode is 3
  std::string OutFile;
  std::string OutFileTXT;
  std::string OutFileXML;
  std::vector<std::string> updColumn;
  std::vector<ClearTable> ClTab;
  std::vector<ColumnRule> Fields;
};

// Settings that decide how a new rule starts.
struct RuleDefaults {
  int DefRuleType = 0;       // insert mode of a new data rule
  std::string Rows = "1000"; // decimal text: the row bounds of a new rule
};

// A new rule: InsMode from DefRuleType, both row bounds from Rows, no columns.
Rule NewRule(const RuleDefaults& defaults);

// A project ("#name") or global ("@name") variable. `Value` is filled at the
// start of a run and never stored.
struct ProjectVariable {
  std::string Name;
  std::string Type;  // "Constant" or "Database Query"
  std::string Def;
  std::string Value;
};

struct Project {
  std::vector<Rule> rules;
  std::vector<ColumnRule> namedGens;
  std::vector<ProjectVariable> localVars;

  int ToFile = 0;
  int ToTxtFile = 0;
  int ToXMLFile = 0;
  std::string SQLFile;
  std::string TXTFile;
  std::string XMLFile;
  int TruncateSQL = 0;
  int TruncateTXT = 0;
  int TruncateXML = 0;
  int NoExec = 0;
  int AddCommit = 0;
  std::string StmtDelimiter;
  std::string TxtDelimiter;
  int TxtOutColumnNames = 0;
  int QuoteExportString = 0;
  int QuoteExportHeader = 0;
  int XMLType = 0;  // 0 column name as attribute, 1 as tag
  std::string sqlBefore;
  std::string sqlAfter;
  std::string Description;
  std::string Author;
  std::string BlobTable;
  std::string BlobColumn;
  std::string BlobDirectory;
  CONN_INFO Connection;
  CONN_INFO DefScrConnection;
};

// "data", "table", "object", "file", "clear"; empty for other codes.
std::string_view RuleKindName(const Rule& rule);
// "append", "replace", "update", "scramble"; empty for other codes.
std::string_view InsertModeName(const Rule& rule);
// One-line texts for lists and reports.
std::string DescribeRule(const Rule& rule, bool showTarget);
std::string DescribeColumnRule(const ColumnRule& column);

// The value of the variable `name` (with its "#" or "@"): "#" names are looked
// up in the project's list, "@" names in the global list, whole names compared
// case-sensitively. A name that is not found, or does not start with either
// sign, yields itself.
std::string VariableValue(std::string_view name, const std::vector<ProjectVariable>& project,
                          const std::vector<ProjectVariable>& globals);

// Editing a variable list. Both return 0 on success, else 1 with the message
// for the user in `message` (the list is then unchanged). ModifyVariable
// replaces entry `index`, which must exist.
int AddVariable(std::vector<ProjectVariable>& list, const ProjectVariable& variable,
                std::string* message);
int ModifyVariable(std::vector<ProjectVariable>& list, size_t index,
                   const ProjectVariable& variable, std::string* message);

// The integer a text starts with (after blanks, with an optional sign), as
// atoi reads it, but saturating instead of overflowing; 0 when there is none.
int64_t LeadingInteger(std::string_view text);
