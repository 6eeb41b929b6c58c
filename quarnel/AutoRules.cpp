#include "quarnel/AutoRules.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

#include "GenTmpl/VLibrary.h"
#include "project/ProjectDocument.h"
#include "quarnel/CheckClauses.h"
#include "quarnel/ProgramSettings.h"
#include "quarnel/ServerTypeRules.h"
#include "support/Calendar.h"
#include "support/DateTimeText.h"
#include "support/Log.h"
#include "support/Prompt.h"
#include "support/TextUtil.h"

namespace {

// Type codes of the servers' own extensions that ODBC headers do not name.
constexpr int kTypeTime2 = -154;           // time with fractions
constexpr int kTypeDateTimeOffset = -155;  // date and time with zone
constexpr int kTypeUserDefined = -151;
constexpr int kTypeXml = -152;

struct NameRule {
  std::string_view name;
  int method;
  std::string_view value;
  bool lowerCase;
  bool exact;
};

// Searched in order; the first match wins, so the exact entries come before
// the looser ones that would also match them.
constexpr std::array<NameRule, 39> kNameRules = {{
    {"email", kMethodPattern, "aa{8}\\@aaa{6}.com", true, false},
    {"e-mail", kMethodPattern, "aa{8}\\@aaa{6}.com", true, false},
    {"url", kMethodPattern, "http://www.aa{8}.com/aaa{8}.htm", true, true},
    {"URL", kMethodPattern, "http://www.aa{8}.com/aaa{8}.htm", false, false},
    {"homepage", kMethodPattern, "www.aa{8}.com", true, true},
    {"website", kMethodPattern, "www.aa{8}.com", true, true},
    {"phone", kMethodPattern, "\\(NNN\\) NNN-NNNN", true, false},
    {"fax", kMethodPattern, "\\(NNN\\) NNN-NNNN", true, true},
    {"faxno", kMethodPattern, "\\(NNN\\) NNN-NNNN", true, true},
    {"country", kMethodLibrary, "Countries", true, false},
    {"city", kMethodLibrary, "Cities", true, true},
    {"City", kMethodLibrary, "Cities", false, false},
    {"street", kMethodLibrary, "Streets", true, false},
    {"address", kMethodPattern, "N{4} $Lib(Streets)", true, false},
    {"firstname", kMethodLibrary, "FirstNames", true, false},
    {"lastname", kMethodLibrary, "LastNames", true, false},
    {"first_name", kMethodLibrary, "FirstNames", true, false},
    {"last_name", kMethodLibrary, "LastNames", true, false},
    {"occupation", kMethodLibrary, "Occupations", true, true},
    {"profession", kMethodLibrary, "Occupations", true, true},
    {"position", kMethodLibrary, "Occupations", true, true},
    {"state", kMethodLibrary, "US_States", true, true},
    {"ip", kMethodPattern, "NN.1NN.1NN.NN", true, true},
    {"ipaddress", kMethodPattern, "1NN.NN.NN.1NN", true, true},
    {"ip_address", kMethodPattern, "1NN.NN.NN.1NN", true, true},
    {"zip", kMethodPattern, "NNNNN", true, true},
    {"zipcode", kMethodPattern, "NNNNN", true, true},
    {"zip_code", kMethodPattern, "NNNNN", true, true},
    {"postalcode", kMethodPattern, "NNNNN", true, true},
    {"postal_code", kMethodPattern, "NNNNN", true, true},
    {"PostalCode", kMethodPattern, "NNNNN", false, false},
    {"extension", kMethodPattern, "NNNN", true, true},
    {"company", kMethodLibrary, "Companies", true, false},
    {"firm", kMethodLibrary, "Companies", true, false},
    {"supplier", kMethodLibrary, "Companies", true, false},
    {"shipper", kMethodLibrary, "Companies", true, false},
    {"department", kMethodLibrary, "Departments", true, false},
    {"swift", kMethodPattern, "A{=11}", true, false},
    {"region", kMethodLibrary, "Region", true, false},
}};

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

bool IsDateType(int type) {
  return type == SQL_DATE || type == SQL_TIMESTAMP || type == SQL_TYPE_DATE || type == SQL_TYPE_TIMESTAMP ||
         type == kTypeDateTimeOffset;
}
bool IsTimeType(int type) { return type == SQL_TIME || type == SQL_TYPE_TIME || type == kTypeTime2; }

// Bigint and double narrow like the other numbers: reading their bounds as
// text would let "x > 0" generate 0.
bool IsNumericType(int type) {
  switch (type) {
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_SMALLINT:
    case SQL_FLOAT:
    case SQL_REAL:
    case SQL_DOUBLE:
    case SQL_TINYINT:
    case SQL_BIGINT:
      return true;
    default:
      return false;
  }
}

// A whole number without a decimal point, within 64 bits.
bool WholeNumber(const std::string& text, int64_t* value) {
  if (text.empty() || text.find_first_of(".eE") != std::string::npos) return false;
  size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
  if (i == text.size()) return false;
  for (size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  if (text.size() - i > 18) return false;
  *value = LeadingInteger(text);
  return true;
}

void AddListValue(ColumnRule& column, const std::string& value) {
  column.Method = kMethodValueList;
  column.ValueUse.resize(column.Values.size(), 0);
  column.Values.push_back(value);
  column.ValueUse.push_back(0);
}

void ApplyLowBound(ColumnRule& column, const std::string& value, int plus) {
  int64_t number = 0;
  if (IsNumericType(column.iType) && WholeNumber(value, &number)) {
    const int64_t bound = number + plus;
    if (bound > LeadingInteger(column.LowRange) || bound < 0) column.LowRange = std::to_string(bound);
  } else {
    column.LowRange = value;
  }
}

void ApplyHighBound(ColumnRule& column, const std::string& value, int minus) {
  int64_t number = 0;
  if (IsNumericType(column.iType) && WholeNumber(value, &number)) {
    const int64_t bound = number - minus;
    const int64_t current = LeadingInteger(column.HighRange);
    if (column.HighRange.empty() || current == 0 || bound < current) column.HighRange = std::to_string(bound);
  } else {
    column.HighRange = value;
  }
}

// The length rule of strings, large objects and every type without a row of
// its own.
void ApplyLengthRule(ColumnRule& c, const AutoRuleSettings& settings, int serverKind) {
  if (FLD_DESC::TypeWithQuotas(c.iType)) c.HighRange = std::to_string(c.iSize > 0 ? c.iSize : 1024);
  c.LowRange = settings.StringLen > LeadingInteger(c.LowRange) ? std::to_string(settings.StringLen) : "0";
  if (!c.HighRange.empty() && LeadingInteger(c.HighRange) > settings.StringLenTo)
    c.HighRange = std::to_string(settings.StringLenTo);
  if (!c.HighRange.empty() && LeadingInteger(c.LowRange) > LeadingInteger(c.HighRange)) c.LowRange = c.HighRange;
  if (serverKind == kServerOracle && !c.isNull && LeadingInteger(c.LowRange) == 0) c.LowRange = "1";
}

// Foreign keys as whole keys: the columns of one key come in key order,
// starting again at position 1.
std::vector<std::vector<const FK_DESC*>> KeyGroups(const std::vector<FK_DESC>& keys) {
  std::vector<std::vector<const FK_DESC*>> groups;
  for (const FK_DESC& key : keys) {
    const bool next = groups.empty() || key.Position <= 1 || groups.back().back()->RefTable != key.RefTable ||
                      groups.back().back()->KeyName != key.KeyName;
    if (next) groups.emplace_back();
    groups.back().push_back(&key);
  }
  return groups;
}

// A library list holds some dozens to a thousand values, fewer than a rule's
// rows may need distinct: a unique column takes the library value with a
// number after it where the column is wide enough for one, else a random
// text of its length.
void KeepLibraryValuesUnique(ColumnRule& c) {
  constexpr int kNarrowest = 16;
  if (c.iSize > 0 && c.iSize < kNarrowest) {
    c.Method = kMethodRandom;
    c.LibName.clear();
    return;
  }
  std::string list, field;
  VLibrary::SplitLibName(c.LibName, list, field);
  c.Method = kMethodPattern;
  c.Mask = "$Lib(" + list + "," + field + ") N{=4}";
}

ColumnRule* FindColumn(Rule& rule, const std::string& name) {
  for (ColumnRule& c : rule.Fields)
    if (EqualsNoCase(c.Name, name)) return &c;
  return nullptr;
}

// The columns of a foreign key of several columns come from one row of the
// referenced table (a key group). A primary key made only of foreign-key
// columns reads its first referenced table in order, so that each of its
// rows is taken once and the keys stay distinct.
void GroupKeyColumns(Rule& rule, const std::vector<FK_DESC>& foreignKeys, const std::vector<PK_DESC>& primaryKey) {
  int group = 0;
  for (const auto& key : KeyGroups(foreignKeys)) {
    if (key.size() < 2) continue;
    ++group;
    for (const FK_DESC* part : key) {
      ColumnRule* c = FindColumn(rule, part->Column);
      if (!c || c->Method != kMethodLinkedTable) continue;
      c->Table = part->RefOwner.empty() ? part->RefTable : part->RefOwner + "." + part->RefTable;
      c->Column = part->RefColumn;
      c->seqFK = group;
    }
  }
  if (primaryKey.empty()) return;
  for (const PK_DESC& key : primaryKey) {
    const ColumnRule* c = FindColumn(rule, key.Column);
    if (!c || c->Method != kMethodLinkedTable) return;
  }
  const ColumnRule first = *FindColumn(rule, primaryKey.front().Column);
  for (ColumnRule& c : rule.Fields) {
    const bool sameGroup = first.seqFK > 0 && c.seqFK == first.seqFK && c.Table == first.Table;
    if (EqualsNoCase(c.Name, first.Name) || sameGroup) c.Seqent = 1;
  }
}

// A table partitioned by ranges of a date column takes only the dates its
// partitions cover.
void KeepToPartitions(Rule& rule, const ServerTableTypes& types, const std::string& dateFormat) {
  if (types.rangeColumn.empty()) return;
  ColumnRule* c = FindColumn(rule, types.rangeColumn);
  if (!c || c->Method != kMethodRandom || !IsDateType(c->iType)) return;
  // The bounds are ISO dates ("2022-01-01", perhaps with a time of day).
  const auto day = [](const std::string& bound) {
    return DayNumber(LeadingInteger(bound.substr(0, 4)), LeadingInteger(bound.substr(5, 2)),
                     LeadingInteger(bound.substr(8, 2)));
  };
  if (types.rangeLow.size() < 10 || types.rangeHigh.size() < 10) return;
  const CalendarDate low = DateOfDayNumber(day(types.rangeLow));
  const CalendarDate high = DateOfDayNumber(day(types.rangeHigh) - 1);  // the upper bound is not in the range
  c->LowRange.clear();
  c->HighRange.clear();
  AppendDateText(c->LowRange, low.day, low.month, static_cast<int>(low.year), dateFormat);
  AppendDateText(c->HighRange, high.day, high.month, static_cast<int>(high.year), dateFormat);
}

// How many distinct values a unique column's source can give, or -1 when it
// is not known to be fewer than any rule needs.
int64_t DistinctValues(const ColumnRule& c) {
  if (c.Method == kMethodValueList) {
    std::vector<std::string> items = c.Values;
    std::sort(items.begin(), items.end());
    return std::unique(items.begin(), items.end()) - items.begin();
  }
  if (c.Method == kMethodRandom && c.iType == SQL_BIT) return 2;
  int64_t low = 0, high = 0;
  if (c.Method == kMethodRandom && IsNumericType(c.iType) && c.sFormat == "%d" && WholeNumber(c.LowRange, &low) &&
      WholeNumber(c.HighRange, &high) && high >= low && high - low < std::numeric_limits<int>::max())
    return high - low + 1;
  return -1;
}

// A rule cannot make more rows than a unique column has values: its row
// count is lowered to that many, and its note says why.
void CapRowsToDistinctValues(Rule& rule) {
  for (const ColumnRule& c : rule.Fields) {
    if (!c.Unique || c.Method == kMethodIgnore) continue;
    const int64_t distinct = DistinctValues(c);
    if (distinct < 0 || distinct >= rule.Records) continue;
    rule.Records = static_cast<int>(distinct);
    rule.note = "Rows capped at " + std::to_string(distinct) + ": the unique column " + c.Name + " takes only " +
                std::to_string(distinct) + " distinct values";
  }
}

// An identity the server counts from 1 in a narrow type (MySQL's tinyint
// unsigned keys) runs out after that many rows.
void CapRowsToIdentityRange(Rule& rule, const ServerTableTypes& types) {
  for (const ServerColumnType& type : types.columns) {
    if (!type.serverFilled || type.maxValue.empty()) continue;
    const int64_t most = LeadingInteger(type.maxValue);
    if (most <= 0 || most >= rule.Records) continue;
    rule.Records = static_cast<int>(most);
    rule.note = "Rows capped at " + type.maxValue + ": the server numbers " + type.column + " up to " + type.maxValue;
  }
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string out;
  for (const std::string& part : parts) out += (out.empty() ? "" : separator) + part;
  return out;
}

}  // namespace

struct AutoRules::TableFacts {
  FieldList fields;
  std::vector<PK_DESC> primaryKey;
  std::vector<FK_DESC> foreignKeys;
  std::vector<std::string> checks;
  ServerTableTypes types;

  const ServerColumnType* TypeOf(const std::string& column) const {
    for (const ServerColumnType& type : types.columns)
      if (type.column == column) return &type;
    return nullptr;
  }
};

AutoRuleSettings AutoRuleSettingsFrom(const ProgramSettings& s) {
  AutoRuleSettings out;
  out.StringLen = s.GetSettingInt(2, "StringLen");
  out.StringLenTo = s.GetSettingInt(2, "StringLenTo");
  out.DefDigits = s.GetSettingInt(2, "DefDigits");
  out.NullFactor = s.GetSettingStr(2, "NullFactor");
  out.DefRuleType = s.GetSettingInt(2, "DefRuleType");
  out.DefScrMode = s.GetSettingInt(2, "DefScrMode");
  out.IgnoreTimeStamps = s.GetSettingInt(2, "IgnoreTimeStamps");
  out.Rows = s.GetSettingStr(2, "Rows");
  out.PerTran = s.GetSettingStr(2, "PerTran");
  out.DateFormat = s.GetSettingStr(4, "DateFormat");
  out.TimeFormat = s.GetSettingStr(4, "TimeFormat");
  out.YearFrom = s.GetSettingInt(4, "YearFrom");
  out.YearTo = s.GetSettingInt(4, "YearTo");
  return out;
}

AutoRules::AutoRules(CDB& db, const AutoRuleSettings& settings, CLog* log, Prompt* prompt)
    : db_(db), settings_(settings), log_(log), prompt_(prompt) {}

bool AutoRules::Cancelled() const { return progress_.cancelled && progress_.cancelled(); }

void AutoRules::Show(const std::string& text) const {
  if (progress_.show) progress_.show(text);
}

void AutoRules::Trace(const std::string& text) const {
  if (log_ && log_->LogLevel() > 0) log_->State(text, 1);
}

void AutoRules::Error(const std::string& text, const std::string& where) const {
  if (log_) log_->Bug(text, where);
}

std::string AutoRules::PlainName(const std::string& table) const {
  std::string out;
  for (char c : table)
    if (c != db_.quoteOpen() && c != db_.quoteClose()) out += c;
  return out;
}

int AutoRules::ReadForeignKeys(const std::string& table, std::vector<FK_DESC>* keys) {
  std::string owner, name;
  db_.PrepareOwner(&owner, &name, "", table, 0);
  int status = db_.FKList(keys, name, owner);
  if (!CDB::isOK(status)) {
    Error("FKList error", db_.ErrorText());
    keys->clear();
  }
  return status;
}

int AutoRules::ReadTable(const std::string& table, TableFacts* facts) {
  std::string owner, name;
  db_.PrepareOwner(&owner, &name, "", table, 0);
  Show("Retrieve columns list");
  int status = db_.FieldsList(&facts->fields, name, owner, 0);
  if (!CDB::isOK(status) || facts->fields.empty()) {
    facts->fields.clear();
    return kNoTable;
  }
  if (!CDB::isOK(ReadServerTypes(db_, name, owner, &facts->types))) facts->types = ServerTableTypes();
  for (FLD_DESC& field : facts->fields)
    if (const ServerColumnType* type = facts->TypeOf(field.Name)) DescribeServerType(field, *type);
  if (CDB::isOK(db_.PKList(&facts->primaryKey, name, owner))) {
    // SQLite reports key columns other than an INTEGER key as nullable; no
    // key column may be left NULL.
    for (FLD_DESC& field : facts->fields)
      for (const PK_DESC& key : facts->primaryKey)
        if (key.Column == field.Name) field.isKey = 1, field.isNull = 0;
  } else {
    facts->primaryKey.clear();
  }
  std::vector<std::string> unique;
  if (CDB::isOK(db_.UniqueColumns(&unique, name, owner))) {
    for (FLD_DESC& field : facts->fields)
      if (std::find(unique.begin(), unique.end(), field.Name) != unique.end()) field.isUnique = 1;
  }
  ReadForeignKeys(table, &facts->foreignKeys);
  if (facts->foreignKeys.empty()) Trace("Table has no foreign keys");
  for (const FK_DESC& key : facts->foreignKeys)
    Trace("FK info for '" + key.KeyName + "' from '" + owner + "'.'" + name + "'.'" + key.Column + "' to '" +
          key.RefOwner + "'.'" + key.RefTable + "'.'" + key.RefColumn + "'");
  if (!CDB::isOK(db_.CheckList(&facts->checks, name, owner))) facts->checks.clear();
  // A domain's checks hold for every column of the domain.
  for (const ServerColumnType& type : facts->types.columns)
    facts->checks.insert(facts->checks.end(), type.checks.begin(), type.checks.end());
  return 0;
}

Rule AutoRules::NewAutoRule() const {
  RuleDefaults defaults;
  defaults.DefRuleType = settings_.DefRuleType;
  defaults.Rows = settings_.Rows;
  Rule rule = NewRule(defaults);
  const auto clampInt = [](int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, 0, std::numeric_limits<int>::max()));
  };
  rule.Records = clampInt(LeadingInteger(settings_.Rows));
  rule.PerTrans = clampInt(LeadingInteger(settings_.PerTran));
  return rule;
}

int AutoRules::AddOneAuto(ProjectDocument& document, const std::string& table) {
  if (log_) log_->State("CQuarnelDlg:: AddOneAuto");
  Rule rule = NewAutoRule();
  int status = MakeRule(table, rule);
  if (status != 0) return status;
  document.project().rules.push_back(std::move(rule));
  document.setModified(true);
  return 0;
}

int AutoRules::MakeRule(const std::string& table, Rule& rule) {
  if (log_) log_->State("RulePgData::MakeRule");
  if (!db_.connected()) return kNotConnected;
  if (table.empty()) return kNoTable;
  // A flat-file rule's structure is its own column list: nothing to refresh.
  if (rule.Mode == kRuleFile) return 0;
  TableFacts facts;
  if (ReadTable(table, &facts) != 0) {
    if (rule.Fields.empty()) {
      Error("Table '" + table + "' has no columns: " + db_.ErrorText(), "RulePgData::MakeRule");
      return kNoTable;
    }
    // The rule stays as it is either way; only the answer differs.
    const PromptAnswer answer = (prompt_ ? *prompt_ : CurrentPrompt())
                                    .Ask("Warning", "Table '" + table + "' does not exist. Do you wish to open the rule?",
                                         PromptIcon::kQuestion, PromptButtons::kYesNo, PromptAnswer::kYes);
    return answer == PromptAnswer::kYes ? 0 : kRuleNotOpened;
  }
  rule.TabName = table;
  const bool singleKey = facts.primaryKey.size() == 1;
  // Distinct values in one column of a composite key keep the whole key
  // distinct: the last key column that no foreign key fills takes them.
  std::string distinctKeyPart;
  for (auto key = facts.primaryKey.rbegin(); facts.primaryKey.size() > 1 && key != facts.primaryKey.rend(); ++key) {
    const bool referencing = std::any_of(facts.foreignKeys.begin(), facts.foreignKeys.end(),
                                         [&](const FK_DESC& fk) { return EqualsNoCase(fk.Column, key->Column); });
    if (!referencing) {
      distinctKeyPart = key->Column;
      break;
    }
  }
  const auto unique = [&](const FLD_DESC& f) {
    return (singleKey && f.isKey) || f.isUnique || (!distinctKeyPart.empty() && f.Name == distinctKeyPart) ? 1 : 0;
  };
  if (rule.Fields.empty()) {
    for (const FLD_DESC& field : facts.fields)
      DefaultColumnRule(rule, field, facts.foreignKeys, unique(field), facts.checks, -1, facts.TypeOf(field.Name));
    GroupKeyColumns(rule, facts.foreignKeys, facts.primaryKey);
    KeepToPartitions(rule, facts.types, settings_.DateFormat);
    CapRowsToDistinctValues(rule);
    CapRowsToIdentityRange(rule, facts.types);
    return 0;
  }
  const auto has = [](const auto& list, const std::string& name) {
    return std::any_of(list.begin(), list.end(), [&](const auto& item) { return EqualsNoCase(item.Name, name); });
  };
  std::erase_if(rule.Fields, [&](const ColumnRule& c) { return !has(facts.fields, c.Name); });
  for (size_t i = 0; i < facts.fields.size(); ++i) {
    const FLD_DESC& field = facts.fields[i];
    if (!has(rule.Fields, field.Name))
      DefaultColumnRule(rule, field, facts.foreignKeys, unique(field), facts.checks, static_cast<int>(i),
                        facts.TypeOf(field.Name));
  }
  return 0;
}

void AutoRules::DefaultColumnRule(Rule& rule, const FLD_DESC& column, const std::vector<FK_DESC>& keys,
                                  int unique, const std::vector<std::string>& checks, int position,
                                  const ServerColumnType* serverType) {
  ColumnRule c;
  static_cast<FLD_DESC&>(c) = column;
  const std::string type = ToLowerAscii(column.TypeName);
  const int serverKind = db_.serverKind();
  c.Method = kMethodRandom;
  // A timestamp column is left to the server only when the server can fill
  // it: a NOT NULL column without a default would reject every row.
  const bool serverFillsTimestamp = column.isNull || !column.sDefault.empty();
  if (column.IsIdentity() || (rule.InsMode == kInsScramble && settings_.DefScrMode == 1) ||
      (Contains(type, "timestamp") && settings_.IgnoreTimeStamps && serverFillsTimestamp) ||
      (serverKind == kServerOracle && (Contains(type, "rowid") || Contains(type, "blob"))))
    c.Method = kMethodIgnore;
  if (c.Method != kMethodIgnore) {
    for (const FK_DESC& key : keys) {
      if (!EqualsNoCase(key.Column, column.Name)) continue;
      c.Method = kMethodLinkedTable;
      c.Table = key.RefOwner.empty() ? key.RefTable : key.RefOwner + "." + key.RefTable;
      c.Column = key.RefColumn;
      break;
    }
  }
  c.UseNulls = column.isNull ? static_cast<int>(std::clamp<int64_t>(LeadingInteger(settings_.NullFactor), 0, 100)) : -1;
  c.Unique = unique;

  const int t = c.iType;
  if (IsDateType(t)) {
    c.LowRange.clear();
    c.HighRange.clear();
    AppendDateText(c.LowRange, 1, 1, settings_.YearFrom, settings_.DateFormat);
    AppendDateText(c.HighRange, 31, 12, settings_.YearTo, settings_.DateFormat);
  } else if (IsTimeType(t)) {
    c.LowRange.clear();
    c.HighRange.clear();
    AppendTimeText(c.LowRange, 0, 0, 0, 0, 0, settings_.TimeFormat);
    AppendTimeText(c.HighRange, 23, 59, 59, 999, 0, settings_.TimeFormat);
  } else if (t == SQL_NUMERIC || t == SQL_DECIMAL) {
    c.sFormat = c.iDigits == 0 ? "%d" : "%" + std::to_string(c.iSize) + "." + std::to_string(c.iDigits) + "f";
    const int wholeDigits = c.iSize - c.iDigits;
    if (wholeDigits <= 0 && c.iDigits > 0) {
      // numeric(2,2): every value lies below 1.
      c.HighRange = "0." + std::string(static_cast<size_t>(std::min<int>(c.iDigits, 18)), '9');
    } else if (wholeDigits < 10) {
      int64_t limit = 1;
      for (int i = 0; i < wholeDigits; ++i) limit *= 10;
      c.HighRange = std::to_string(limit - 1);
    }
  } else if (t == SQL_FLOAT || t == SQL_REAL || t == SQL_DOUBLE) {
    c.sFormat = "%f";
    if (c.iDigits == 0) c.iDigits = static_cast<int16_t>(settings_.DefDigits);
  } else if (t == SQL_SMALLINT) {
    c.sFormat = "%d";
    c.HighRange = "32766";
  } else if (t == SQL_TINYINT) {
    c.sFormat = "%d";
    c.HighRange = "255";
  } else if (t == SQL_BIT) {
    c.sFormat = "%d";
    c.HighRange = "1";
  } else if (t == SQL_GUID) {
    if (c.Method == kMethodRandom) c.Method = kMethodPattern;
    c.Mask = kUuidPattern;
  } else if (t == kTypeXml) {
    if (c.Method == kMethodRandom) c.Method = kMethodValueList;
    c.Values = {"<?xml version=\"1.0\" encoding=\"utf-8\"?><empty/>"};
    c.ValueUse = {0};
  } else if (t == kTypeUserDefined && (Contains(type, "geometry") || Contains(type, "geography") ||
                                       Contains(type, "hierarchyid"))) {
    if (c.Method == kMethodRandom) c.Method = kMethodPattern;
    c.NoQuotas = 1;
    if (Contains(type, "geometry")) c.Mask = "geometry::STGeomFromText('PO\\I\\NT(NN NN)',0)";
    else if (Contains(type, "geography")) c.Mask = "geogr\\aphy::Point(-NN.NNN00, NN.NNN00, 4326)";
    else c.Mask = "hier\\archyid::GetRoot()";
  } else {
    ApplyLengthRule(c, settings_, serverKind);
  }
  // MySQL and MariaDB read 0x... as the bytes it spells, not as text.
  if (serverKind == kServerMySql && FLD_DESC::TypeIsBinary(t)) c.NoQuotas = 1;

  if (serverType) ApplyServerTypeBounds(c, *serverType);
  const bool typed = serverType && ApplyServerTypeValues(c, *serverType);
  if (c.Method == kMethodRandom && FLD_DESC::TypeWithQuotas(t) && !IsDateType(t) && !IsTimeType(t)) {
    ApplyNameRule(c);
    if (c.Unique && c.Method == kMethodLibrary) KeepLibraryValuesUnique(c);
  }
  if (!typed && c.Method != kMethodLinkedTable && c.Method != kMethodIgnore && !checks.empty())
    ApplyCheckConstraints(c, checks);

  if (position >= 0 && static_cast<size_t>(position) < rule.Fields.size())
    rule.Fields.insert(rule.Fields.begin() + position, std::move(c));
  else
    rule.Fields.push_back(std::move(c));
}

void AutoRules::ApplyNameRule(ColumnRule& column) {
  const std::string lower = ToLowerAscii(column.Name);
  for (const NameRule& entry : kNameRules) {
    const std::string_view name = entry.lowerCase ? std::string_view(lower) : std::string_view(column.Name);
    if (entry.exact ? name != entry.name : !Contains(name, entry.name)) continue;
    if (entry.method == kMethodLibrary) {
      column.Method = kMethodLibrary;
      column.LibName = entry.value;
      if (column.LibName == "US_States" && column.iSize < 6) column.LibName = "US_States.Code";
      if (column.LibName == "Countries" && column.iSize < 6)
        column.LibName = column.iSize <= 2 ? "Countries.Code2" : "Countries.Code3";
    } else if (LeadingInteger(column.HighRange) > static_cast<int64_t>(entry.value.size())) {
      column.Method = kMethodPattern;
      column.Mask = entry.value;
    }
    return;
  }
}

void AutoRules::ApplyCheckConstraints(ColumnRule& column, const std::vector<std::string>& checks) {
  CheckReading reading;
  for (const std::string& check : checks) ReadCheckClauses(check, column.Name, &reading);
  for (const std::string& failure : reading.failures) Error("PARSER FAIL: " + failure, "RulePgData::ApplyCheckConstraints");
  for (const CheckCondition& condition : reading.conditions) {
    const std::string& op = condition.op;
    if (op == ">" || op == ">=") {
      ApplyLowBound(column, condition.values[0], op == ">" ? 1 : 0);
    } else if (op == "<" || op == "<=") {
      ApplyHighBound(column, condition.values[0], op == "<" ? 1 : 0);
    } else if (op == "BETWEEN") {
      ApplyLowBound(column, condition.values[0], 0);
      ApplyHighBound(column, condition.values[1], 0);
    } else {
      for (const std::string& value : condition.values) AddListValue(column, value);
    }
  }
}

int AutoRules::OrderTables(const std::vector<std::string>& tables, TableOrder* order) {
  if (log_) log_->State("CQuarnelDlg:: AddListAuto");
  Show("Prepare table order (" + std::to_string(tables.size()) + ")");
  const size_t n = tables.size();
  std::vector<bool> placed(n, false);
  std::vector<std::string> placedNames;
  order->tables.clear();
  order->unresolved.clear();
  order->deferred.clear();
  size_t shown = 0;
  for (int pass = 0; order->tables.size() < n; ++pass) {
    const size_t before = order->tables.size();
    for (size_t i = 0; i < n; ++i) {
      if (placed[i]) continue;
      if (Cancelled()) return kCancelled;
      if (shown++ % 5 == 0) Show(tables[i]);
      std::vector<FK_DESC> keys;
      ReadForeignKeys(tables[i], &keys);
      const std::string own = PlainName(tables[i]);
      std::vector<std::string> refs;
      size_t resolved = 0;
      for (const FK_DESC& key : keys) {
        const std::string ref = own.find('.') != std::string::npos && !key.RefOwner.empty()
                                    ? key.RefOwner + "." + key.RefTable
                                    : key.RefTable;
        refs.push_back(ref);
        const bool known = ref == own || std::any_of(placedNames.begin(), placedNames.end(), [&](const std::string& p) {
                             return EqualsNoCase(p, ref);
                           });
        if (known) ++resolved;
      }
      Trace("Table '" + tables[i] + "', FKeys: " + std::to_string(keys.size()) + " (" + Joined(refs, ",") + ")");
      if (resolved == keys.size()) {
        placed[i] = true;
        placedNames.push_back(own);
        order->tables.push_back(tables[i]);
      }
    }
    if (order->tables.size() == before) {
      Trace("AddListAuto " + std::to_string(pass) + " nothing " + std::to_string(n) + "->" +
            std::to_string(order->tables.size()));
      break;
    }
  }
  Trace("AddListAuto " + std::to_string(n) + "->" + std::to_string(order->tables.size()));
  for (size_t i = 0; i < n; ++i) {
    if (placed[i]) continue;
    Trace("Unresolved '" + tables[i] + "'");
    order->unresolved.push_back(tables[i]);
  }
  order->deferred = BreakCycles(tables, order->tables, order->unresolved);
  return Cancelled() ? kCancelled : 0;
}

std::vector<DeferredKey> AutoRules::BreakCycles(const std::vector<std::string>& given,
                                                std::vector<std::string>& ordered,
                                                const std::vector<std::string>& unresolved) {
  struct Entry {
    std::string table;
    std::string plain;
    TableFacts facts;
  };
  std::vector<DeferredKey> deferred;
  std::vector<Entry> entries;
  for (const std::string& table : given) {
    if (Cancelled()) return deferred;
    Entry entry{table, PlainName(table), {}};
    ReadTable(table, &entry.facts);
    entries.push_back(std::move(entry));
  }
  const auto refName = [](const Entry& e, const FK_DESC& key) {
    return e.plain.find('.') != std::string::npos && !key.RefOwner.empty() ? key.RefOwner + "." + key.RefTable
                                                                            : key.RefTable;
  };
  // A key can wait for an update rule when every column of it takes NULL and
  // the table has a primary key to find its rows again.
  const auto deferrable = [](const Entry& e, const std::vector<const FK_DESC*>& key) {
    if (e.facts.primaryKey.empty()) return false;
    return std::all_of(key.begin(), key.end(), [&](const FK_DESC* part) {
      return std::any_of(e.facts.fields.begin(), e.facts.fields.end(), [&](const FLD_DESC& f) {
        return EqualsNoCase(f.Name, part->Column) && f.isNull && !f.isKey;
      });
    });
  };
  const auto columnsOf = [](const std::vector<const FK_DESC*>& key) {
    std::vector<std::string> columns;
    for (const FK_DESC* part : key) columns.push_back(part->Column);
    return columns;
  };

  // Self-references: the rows a key refers to exist only after the insert.
  for (const Entry& e : entries) {
    for (const auto& key : KeyGroups(e.facts.foreignKeys)) {
      if (refName(e, *key.front()) != e.plain) continue;
      if (deferrable(e, key)) {
        deferred.push_back({e.table, e.table, columnsOf(key)});
      } else {
        Error("Table '" + e.table + "' refers to itself through a key that does not take NULL",
              "AutoRules::AddListAuto");
      }
    }
  }

  std::vector<const Entry*> rest;
  for (const std::string& table : unresolved)
    for (const Entry& e : entries)
      if (e.table == table) rest.push_back(&e);
  std::vector<std::string> placedPlain;
  for (const std::string& table : ordered) placedPlain.push_back(PlainName(table));
  const auto isIn = [](const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return EqualsNoCase(n, name); });
  };
  // The keys of a table that still wait for a table not yet placed.
  const auto pending = [&](const Entry& e) {
    std::vector<std::vector<const FK_DESC*>> open;
    for (auto& key : KeyGroups(e.facts.foreignKeys)) {
      const std::string ref = refName(e, *key.front());
      if (ref != e.plain && !isIn(placedPlain, ref)) open.push_back(std::move(key));
    }
    return open;
  };
  const auto place = [&](size_t index) {
    ordered.push_back(rest[index]->table);
    placedPlain.push_back(rest[index]->plain);
    rest.erase(rest.begin() + static_cast<long>(index));
  };
  while (!rest.empty()) {
    bool moved = false;
    for (size_t i = 0; i < rest.size() && !moved; ++i) {
      if (pending(*rest[i]).empty()) {
        place(i);
        moved = true;
      }
    }
    // Break the cycle at the first table, in the given order, whose waiting
    // keys all point into the cycle and can all wait.
    for (size_t i = 0; i < rest.size() && !moved; ++i) {
      const Entry& e = *rest[i];
      const auto open = pending(e);
      const bool breakable = std::all_of(open.begin(), open.end(), [&](const std::vector<const FK_DESC*>& key) {
        const std::string ref = refName(e, *key.front());
        return deferrable(e, key) && std::any_of(rest.begin(), rest.end(), [&](const Entry* other) {
                 return EqualsNoCase(other->plain, ref);
               });
      });
      if (!breakable) continue;
      for (const auto& key : open) {
        const std::string ref = refName(e, *key.front());
        const auto target = std::find_if(rest.begin(), rest.end(),
                                         [&](const Entry* other) { return EqualsNoCase(other->plain, ref); });
        deferred.push_back({e.table, (*target)->table, columnsOf(key)});
        Trace("Key cycle broken at '" + e.table + "' (" + Joined(columnsOf(key), ",") + ")");
      }
      place(i);
      moved = true;
    }
    if (!moved) break;
  }
  for (const Entry* e : rest) {
    Error("Table '" + e->table + "' waits for a key cycle without a nullable key column, or for a table not listed",
          "AutoRules::AddListAuto");
    ordered.push_back(e->table);
  }
  return deferred;
}

int AutoRules::BuildUpdateRule(const std::string& table, const std::vector<std::string>& columns, Rule* rule) {
  TableFacts facts;
  if (ReadTable(table, &facts) != 0) return kNoTable;
  *rule = NewAutoRule();
  rule->TabName = table;
  rule->InsMode = kInsUpdate;
  rule->note = "Sets " + Joined(columns, ", ") + " after the rows it refers to exist";
  for (const PK_DESC& key : facts.primaryKey) rule->updColumn.push_back(key.Column);
  for (const FLD_DESC& field : facts.fields) {
    const bool keyColumn = field.isKey != 0;
    const bool filled = std::any_of(columns.begin(), columns.end(),
                                    [&](const std::string& c) { return EqualsNoCase(c, field.Name); });
    if (!keyColumn && !filled) continue;
    DefaultColumnRule(*rule, field, facts.foreignKeys, 0, {});
    // Key columns only find the row: an update rule leaves Ignore columns alone.
    if (keyColumn) rule->Fields.back().Method = kMethodIgnore;
  }
  return 0;
}

int AutoRules::AddListAuto(ProjectDocument& document, const std::vector<std::string>& tables,
                           bool removeAllRules, bool addClearRule) {
  if (!db_.connected()) return kNotConnected;
  TableOrder order;
  int status = OrderTables(tables, &order);
  if (status != 0) return status;
  Project& project = document.project();
  if (removeAllRules) {
    project.rules.clear();
    document.setModified(true);
  }
  // Each update rule follows the later of its table and the referenced table.
  const auto positionOf = [&](const std::string& table) {
    return static_cast<size_t>(std::find(order.tables.begin(), order.tables.end(), table) - order.tables.begin());
  };
  std::vector<size_t> dueAt;
  for (const DeferredKey& key : order.deferred) dueAt.push_back(std::max(positionOf(key.table), positionOf(key.refTable)));

  for (size_t k = 0; k < order.tables.size(); ++k) {
    if (Cancelled()) {
      status = kCancelled;
      break;
    }
    Show("Building rule #" + std::to_string(k + 1) + "...");
    const std::string& table = order.tables[k];
    if (AddOneAuto(document, table) == 0) {
      Rule& insert = project.rules.back();
      for (const DeferredKey& key : order.deferred) {
        if (key.table != table) continue;
        for (ColumnRule& c : insert.Fields)
          for (const std::string& name : key.columns)
            if (EqualsNoCase(c.Name, name)) c.UseNulls = 100;
      }
    }
    for (size_t d = 0; d < order.deferred.size(); ++d) {
      if (dueAt[d] != k) continue;
      Rule update;
      if (BuildUpdateRule(order.deferred[d].table, order.deferred[d].columns, &update) == 0) {
        project.rules.push_back(std::move(update));
        document.setModified(true);
      }
    }
  }

  if (addClearRule) {
    Rule clear = NewAutoRule();
    clear.Mode = kRuleClear;
    for (auto it = project.rules.rbegin(); it != project.rules.rend(); ++it) {
      if (it->Mode != kRuleData || it->TabName.empty()) continue;
      const bool listed = std::any_of(clear.ClTab.begin(), clear.ClTab.end(),
                                      [&](const ClearTable& c) { return EqualsNoCase(c.ClTab, it->TabName); });
      if (!listed) clear.ClTab.push_back({it->TabName, 1});
    }
    project.rules.insert(project.rules.begin(), std::move(clear));
    document.setModified(true);
  }
  return status;
}
