#include "project/ProjectFile.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>
#include <span>
#include <variant>

#include "support/SysReg.h"

namespace {

// A plain key of a record: its name in the file and the field it holds. One
// table per record drives both writing and reading, so the two can not drift.
template <typename T>
struct Key {
  const char* name;
  std::variant<int T::*, int16_t T::*, std::string T::*> field;
};

// Sections and counts of the file.
constexpr const char* kSettingsSection = "Settings";
constexpr const char* kTablesSection = "Tables";
constexpr const char* kNamedGens = "NamedGens";
constexpr const char* kLocalVars = "LocalVars";
constexpr const char* kConnections = "DefScrConnection";
constexpr const char* kConnectionRecord = "Connection";

const std::array<Key<Project>, 24> kProjectKeys = {{
    {"ToFile", &Project::ToFile},
    {"ToTxtFile", &Project::ToTxtFile},
    {"ToXMLFile", &Project::ToXMLFile},
    {"SQLFile", &Project::SQLFile},
    {"TXTFile", &Project::TXTFile},
    {"XMLFile", &Project::XMLFile},
    {"XMLType", &Project::XMLType},
    {"sqlBefore", &Project::sqlBefore},
    {"sqlAfter", &Project::sqlAfter},
    {"NoExec", &Project::NoExec},
    {"Description", &Project::Description},
    {"Author", &Project::Author},
    {"BlobTable", &Project::BlobTable},
    {"BlobColumn", &Project::BlobColumn},
    {"BlobDirectory", &Project::BlobDirectory},
    {"TruncateSQL", &Project::TruncateSQL},
    {"TruncateTXT", &Project::TruncateTXT},
    {"TruncateXML", &Project::TruncateXML},
    {"QuoteExportString", &Project::QuoteExportString},
    {"QuoteExportHeader", &Project::QuoteExportHeader},
    {"AddCommit", &Project::AddCommit},
    {"StmtDelimiter", &Project::StmtDelimiter},
    {"TxtDelimiter", &Project::TxtDelimiter},
    {"TxtOutColumnNames", &Project::TxtOutColumnNames},
}};

const std::array<Key<Rule>, 23> kRuleKeys = {{
    {"TabName", &Rule::TabName},
    {"Records", &Rule::Records},
    {"nTables", &Rule::nTables},
    {"Mode", &Rule::Mode},
    {"PerTrans", &Rule::PerTrans},
    {"InsMode", &Rule::InsMode},
    {"OType", &Rule::OType},
    {"OText", &Rule::OText},
    {"Enabled", &Rule::Enabled},
    {"OutFile", &Rule::OutFile},
    {"OutFileTXT", &Rule::OutFileTXT},
    {"OutFileXML", &Rule::OutFileXML},
    {"sqlBefore", &Rule::sqlBefore},
    {"sqlAfter", &Rule::sqlAfter},
    {"note", &Rule::note},
    {"UpdWhere", &Rule::UpdWhere},
    {"sTarget", &Rule::sTarget},
    {"RcMode", &Rule::RcMode},
    {"RecordsFrom", &Rule::RecordsFrom},
    {"RecordsTo", &Rule::RecordsTo},
    {"CountSQL", &Rule::CountSQL},
    {"CountTable", &Rule::CountTable},
    {"CountColumn", &Rule::CountColumn},
}};

using ColumnKey = Key<ColumnRule>;
const std::array<ColumnKey, 37> kColumnKeys = {{
    {"NamedGen", &ColumnRule::NamedGen},
    {"Column", &ColumnRule::Column},
    {"Mask", &ColumnRule::Mask},
    {"regexp", &ColumnRule::regexp},
    {"Method", &ColumnRule::Method},
    {"Name", static_cast<std::string ColumnRule::*>(&ColumnRule::Name)},
    {"TypeName", static_cast<std::string ColumnRule::*>(&ColumnRule::TypeName)},
    {"sFormat", static_cast<std::string ColumnRule::*>(&ColumnRule::sFormat)},
    {"Table", &ColumnRule::Table},
    {"UseNulls", &ColumnRule::UseNulls},
    {"asMask", &ColumnRule::asMask},
    {"asList", &ColumnRule::asList},
    {"iSize", static_cast<int ColumnRule::*>(&ColumnRule::iSize)},
    {"iDigits", static_cast<int16_t ColumnRule::*>(&ColumnRule::iDigits)},
    {"iType", static_cast<int16_t ColumnRule::*>(&ColumnRule::iType)},
    {"isNull", static_cast<int16_t ColumnRule::*>(&ColumnRule::isNull)},
    {"sDefault", static_cast<std::string ColumnRule::*>(&ColumnRule::sDefault)},
    {"Unique", &ColumnRule::Unique},
    {"Seqent", &ColumnRule::Seqent},
    {"Step", &ColumnRule::Step},
    {"Times", &ColumnRule::Times},
    {"Cycle", &ColumnRule::Cycle},
    {"Start", &ColumnRule::Start},
    {"FileName", &ColumnRule::FileName},
    {"LibName", &ColumnRule::LibName},
    {"AfterLast", &ColumnRule::AfterLast},
    {"SequenceLen", &ColumnRule::SequenceLen},
    {"groupNo", &ColumnRule::groupNo},
    {"NoQuotas", &ColumnRule::NoQuotas},
    {"AlwaysQuote", &ColumnRule::AlwaysQuote},
    {"RndSeparators", static_cast<int ColumnRule::*>(&ColumnRule::RndSeparators)},
    {"fileSeparator", &ColumnRule::fileSeparator},
    {"seqFK", &ColumnRule::seqFK},
    {"LowRange", static_cast<std::string ColumnRule::*>(&ColumnRule::LowRange)},
    {"HighRange", static_cast<std::string ColumnRule::*>(&ColumnRule::HighRange)},
    {"SQL", &ColumnRule::SQL},
    {"incTimeMode", &ColumnRule::incTimeMode},
}};

// The column's own connection, after its encoded password ("conPwd").
const std::array<ColumnKey, 11> kColumnConnectionKeys = {{
    {"ConType", static_cast<int ColumnRule::*>(&ColumnRule::ConType)},
    {"conDSN", static_cast<std::string ColumnRule::*>(&ColumnRule::conDSN)},
    {"conUser", static_cast<std::string ColumnRule::*>(&ColumnRule::conUser)},
    {"conDB", static_cast<std::string ColumnRule::*>(&ColumnRule::conDB)},
    {"conFile", static_cast<std::string ColumnRule::*>(&ColumnRule::conFile)},
    {"conOwner", static_cast<std::string ColumnRule::*>(&ColumnRule::conOwner)},
    {"conStr", static_cast<std::string ColumnRule::*>(&ColumnRule::conStr)},
    {"conDriver", static_cast<int ColumnRule::*>(&ColumnRule::conDriver)},
    {"conMode", static_cast<int ColumnRule::*>(&ColumnRule::conMode)},
    {"conInt", static_cast<int ColumnRule::*>(&ColumnRule::conInt)},
    {"conServer", static_cast<std::string ColumnRule::*>(&ColumnRule::conServer)},
}};

template <typename T, size_t N>
void SaveKeys(CSysReg& store, const T& record, const std::array<Key<T>, N>& keys, int n) {
  for (const Key<T>& key : keys) {
    std::visit(
        [&](auto field) {
          const auto& value = record.*field;
          if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>)
            store.SaveByNo(key.name, n, std::string_view(value));
          else
            store.SaveByNo(key.name, n, static_cast<int>(value));
        },
        key.field);
  }
}

// Reads every key of `keys`; a missing key, or one of the wrong type or out of
// the field's range, takes the field's value in `defaults`.
template <typename T, size_t N>
void ReadKeys(const CSysReg& store, T& record, const std::array<Key<T>, N>& keys, int n,
              const T& defaults) {
  for (const Key<T>& key : keys) {
    std::visit(
        [&](auto field) {
          auto& value = record.*field;
          using V = std::decay_t<decltype(value)>;
          if constexpr (std::is_same_v<V, std::string>) {
            store.ReadByNo(key.name, n, value, std::string_view(defaults.*field));
          } else {
            int read = 0;
            store.ReadByNo(key.name, n, read, static_cast<int>(defaults.*field));
            value = read >= std::numeric_limits<V>::min() && read <= std::numeric_limits<V>::max()
                        ? static_cast<V>(read)
                        : defaults.*field;
          }
        },
        key.field);
  }
}

bool HasKey(const CSysReg& store, std::string_view key, int n) {
  std::string ignored;
  return store.ReadByNo(key, n, ignored, "");
}

// A count as the file states it; a negative or unreadable count is 0. Readers
// still stop at the first entry the file does not hold.
int ReadCount(const CSysReg& store, std::string_view key, int n = -1) {
  int count = 0;
  store.ReadByNo(key, n, count, 0);
  return std::max(count, 0);
}

// "Values3_": the per-item keys of a column entry carry the item number
// before the entry number.
std::string ItemKey(std::string_view stem, size_t item) {
  return std::string(stem) + std::to_string(item) + "_";
}

// Defaults of a column rule read from a file: those of a new column rule, and
// 0 for every descriptor field.
const ColumnRule& ColumnReadDefaults() {
  static const ColumnRule defaults = [] {
    ColumnRule c;
    c.isNull = 0;
    return c;
  }();
  return defaults;
}

void WriteRule(CSysReg& store, const Rule& rule, int number) {
  const std::string section = "Tab" + std::to_string(number);
  store.Section(section);
  SaveKeys(store, rule, kRuleKeys, -1);
  if (rule.Mode == kRuleClear) {
    store.Save("Tables", static_cast<int>(rule.ClTab.size()));
    for (size_t j = 0; j < rule.ClTab.size(); ++j) {
      store.SaveByNo("ClTab", static_cast<int>(j), std::string_view(rule.ClTab[j].ClTab));
      store.SaveByNo("ClUse", static_cast<int>(j), static_cast<int>(rule.ClTab[j].ClUse));
    }
  } else {
    store.Save("updColumns", static_cast<int>(rule.updColumn.size()));
    for (size_t j = 0; j < rule.updColumn.size(); ++j)
      store.SaveByNo("updColumn", static_cast<int>(j), std::string_view(rule.updColumn[j]));
    store.Save("Fields", static_cast<int>(rule.Fields.size()));
    for (size_t j = 0; j < rule.Fields.size(); ++j) WriteColumnRule(store, rule.Fields[j], static_cast<int>(j));
  }
  if (rule.InsMode == kInsScramble) rule.TargetConn.Save(store, section, 0);
}

// Reads the rule in the current section; `shortBy` counts the entries that a
// count announced but the section did not hold.
Rule ReadRule(CSysReg& store, const std::string& section, int64_t* shortBy) {
  static const Rule kDefaults;
  Rule rule;
  ReadKeys(store, rule, kRuleKeys, -1, kDefaults);
  if (rule.Mode == kRuleClear) {
    const int count = ReadCount(store, "Tables");
    for (int j = 0; j < count; ++j) {
      if (!HasKey(store, "ClTab", j)) {
        *shortBy += count - j;
        break;
      }
      ClearTable table;
      store.ReadByNo("ClTab", j, table.ClTab, "");
      int use = 0;
      store.ReadByNo("ClUse", j, use, 0);
      table.ClUse = use == 0 ? 0 : 1;
      rule.ClTab.push_back(std::move(table));
    }
  } else {
    const int updCount = ReadCount(store, "updColumns");
    for (int j = 0; j < updCount; ++j) {
      std::string name;
      if (!store.ReadByNo("updColumn", j, name, "")) {
        *shortBy += updCount - j;
        break;
      }
      rule.updColumn.push_back(std::move(name));
    }
    const int fieldCount = ReadCount(store, "Fields");
    for (int j = 0; j < fieldCount; ++j) {
      ColumnRule column;
      if (!ReadColumnRule(store, column, j)) {
        *shortBy += fieldCount - j;
        break;
      }
      rule.Fields.push_back(std::move(column));
    }
  }
  if (rule.InsMode == kInsScramble) rule.TargetConn.Load(store, section, 0);
  return rule;
}

void WriteGeneratorSection(CSysReg& store, std::span<const ColumnRule> generators) {
  store.Section(kNamedGens);
  store.Save("NamedGenCount", static_cast<int>(generators.size()));
  for (size_t k = 0; k < generators.size(); ++k) WriteColumnRule(store, generators[k], static_cast<int>(k) + 1);
}

// Reads the generators of the current section; returns how many announced
// entries were missing.
int ReadGeneratorSection(const CSysReg& store, std::vector<ColumnRule>& generators) {
  const int count = ReadCount(store, "NamedGenCount");
  for (int k = 1; k <= count; ++k) {
    ColumnRule generator;
    if (!ReadColumnRule(store, generator, k)) return count - k + 1;
    generators.push_back(std::move(generator));
  }
  return 0;
}

int CommitNamedGenerators(const std::string& path, std::span<const ColumnRule> generators,
                          std::string* error) {
  CSysReg store;
  int status = store.Open(path, CSysReg::kDiskFile, 1);
  if (status == 0) {
    WriteGeneratorSection(store, generators);
    status = store.Close();
  }
  if (status != 0) *error = store.LastError();
  return status;
}

}  // namespace

void WriteSettingsSection(CSysReg& store, const SavedSettings& s) {
  store.Section(kSettingsSection);
  store.Save("DateFormat", std::string_view(s.DateFormat));
  store.Save("TimeFormat", std::string_view(s.TimeFormat));
  store.Save("StringLen", s.StringLen);
  store.Save("FromLinked", s.FromLinked);
  store.Save("YearFrom", s.YearFrom);
  store.Save("YearTo", s.YearTo);
  store.Save("UniqueTryCounter", s.UniqueTryCounter);
  store.Save("RemoveComma", s.RemoveComma);
  store.Save("UseBULK", s.UseBULK);
  store.Save("DefDigits", s.DefDigits);
}

void WriteColumnRule(CSysReg& store, const ColumnRule& c, int n) {
  SaveKeys(store, c, kColumnKeys, n);
  if (c.Method == kMethodLinkedTable || c.Method == kMethodSql) {
    store.SaveEncodedByNo("conPwd", n, c.conPwd);
    SaveKeys(store, c, kColumnConnectionKeys, n);
  }
  store.SaveByNo("UnicodeCnt", n, static_cast<int>(c.unicode.size()));
  for (size_t u = 0; u < c.unicode.size(); ++u) store.SaveByNo(ItemKey("unicode", u + 1), n, c.unicode[u]);
  if (c.Method == kMethodValueList) {
    store.SaveByNo("ValuesCnt", n, static_cast<int>(c.Values.size()));
    for (size_t v = 0; v < c.Values.size(); ++v) {
      store.SaveByNo(ItemKey("Values", v + 1), n, std::string_view(c.Values[v]));
      if (v < c.ValueUse.size()) store.SaveByNo(ItemKey("ValueUse", v + 1), n, c.ValueUse[v]);
    }
  }
}

bool ReadColumnRule(const CSysReg& store, ColumnRule& column, int n) {
  if (!HasKey(store, "Name", n) && !HasKey(store, "Method", n)) return false;
  const ColumnRule& defaults = ColumnReadDefaults();
  ColumnRule c;
  ReadKeys(store, c, kColumnKeys, n, defaults);
  if (c.Method == kMethodLinkedTable || c.Method == kMethodSql) {
    store.ReadDecodedByNo("conPwd", n, c.conPwd, "");
    ReadKeys(store, c, kColumnConnectionKeys, n, defaults);
  }
  const int unicodeCount = ReadCount(store, "UnicodeCnt", n);
  for (int u = 1; u <= unicodeCount; ++u) {
    int block = 0;
    if (!store.ReadByNo(ItemKey("unicode", u), n, block, 0)) break;
    c.unicode.push_back(block);
  }
  if (c.Method == kMethodValueList) {
    const int valueCount = ReadCount(store, "ValuesCnt", n);
    // Usages are kept only as far as they were stored without a gap: a list
    // with fewer usages than items is drawn uniformly, and must stay so.
    bool usagesComplete = true;
    for (int v = 1; v <= valueCount; ++v) {
      std::string item;
      if (!store.ReadByNo(ItemKey("Values", v), n, item, "")) break;
      c.Values.push_back(std::move(item));
      int usage = 0;
      usagesComplete = usagesComplete && store.ReadByNo(ItemKey("ValueUse", v), n, usage, 0);
      if (usagesComplete) c.ValueUse.push_back(usage);
    }
  }
  column = std::move(c);
  return true;
}

void WriteProject(CSysReg& store, const Project& project, bool checkedOnly,
                  const std::vector<bool>& checked, const CONN_INFO* currentConnection) {
  std::vector<const Rule*> rules;
  for (size_t i = 0; i < project.rules.size(); ++i) {
    if (!checkedOnly || (i < checked.size() && checked[i])) rules.push_back(&project.rules[i]);
  }
  store.Section(kTablesSection);
  SaveKeys(store, project, kProjectKeys, -1);
  store.Save("Count", static_cast<int>(rules.size()));
  for (size_t i = 0; i < rules.size(); ++i) WriteRule(store, *rules[i], static_cast<int>(i) + 1);

  WriteGeneratorSection(store, project.namedGens);

  store.Section(kLocalVars);
  store.Save("LocalVarsCount", static_cast<int>(project.localVars.size()));
  for (size_t k = 0; k < project.localVars.size(); ++k) {
    const ProjectVariable& v = project.localVars[k];
    const int n = static_cast<int>(k) + 1;
    store.SaveByNo("Name", n, std::string_view(v.Name));
    store.SaveByNo("Type", n, std::string_view(v.Type));
    store.SaveByNo("Def", n, std::string_view(v.Def));
  }

  store.Section(kConnections);
  project.DefScrConnection.Save(store, kConnections, 0);
  // Without a connection object the project's own record is kept, so that
  // saving a project loaded without a database does not forget its database.
  if (currentConnection != nullptr)
    currentConnection->Save(store, kConnectionRecord);
  else if (project.Connection != CONN_INFO{})
    project.Connection.Save(store, kConnectionRecord);
}

bool HoldsPassword(const Project& project, const CONN_INFO* currentConnection) {
  const CONN_INFO& record = currentConnection ? *currentConnection : project.Connection;
  if (record.HoldsPassword() || project.DefScrConnection.HoldsPassword()) return true;
  for (const Rule& rule : project.rules) {
    if (rule.InsMode == kInsScramble && rule.TargetConn.HoldsPassword()) return true;
    for (const ColumnRule& c : rule.Fields) {
      if ((c.Method == kMethodLinkedTable || c.Method == kMethodSql) && c.HoldsPassword()) return true;
    }
  }
  return false;
}

int ReadProject(CSysReg& store, Project& project, std::string* message) {

  if (!store.ReadSection(kTablesSection)) {
    *message = "The file holds no project";
    if (!store.LastError().empty()) *message += " (" + store.LastError() + ")";
    *message += ".";
    return 1;
  }
  message->clear();
  static const Project kDefaults;
  Project loaded;
  ReadKeys(store, loaded, kProjectKeys, -1, kDefaults);
  const int count = ReadCount(store, "Count");

  int64_t missing = 0;
  if (store.ReadSection(kNamedGens)) missing += ReadGeneratorSection(store, loaded.namedGens);

  if (store.ReadSection(kLocalVars)) {
    const int varCount = ReadCount(store, "LocalVarsCount");
    for (int k = 1; k <= varCount; ++k) {
      ProjectVariable v;
      if (!store.ReadByNo("Name", k, v.Name, "")) {
        missing += varCount - k + 1;
        break;
      }
      store.ReadByNo("Type", k, v.Type, "");
      store.ReadByNo("Def", k, v.Def, "");
      loaded.localVars.push_back(std::move(v));
    }
  }

  if (store.ReadSection(kConnections)) {
    loaded.DefScrConnection.Load(store, kConnections, 0);
    loaded.Connection.Load(store, kConnectionRecord);
  }

  for (int i = 1; i <= count; ++i) {
    const std::string section = "Tab" + std::to_string(i);
    if (!store.ReadSection(section)) {
      missing += count - i + 1;
      break;
    }
    loaded.rules.push_back(ReadRule(store, section, &missing));
  }

  if (missing > 0) *message = std::to_string(missing) + " entries announced by the file are missing.";
  if (!store.LastError().empty()) {
    if (!message->empty()) *message += " ";
    *message += store.LastError();
  }
  std::vector<Rule> rules = std::move(project.rules);
  std::move(loaded.rules.begin(), loaded.rules.end(), std::back_inserter(rules));
  loaded.rules = std::move(rules);
  project = std::move(loaded);
  return 0;
}

int WriteNamedGenerators(const std::string& path, const std::vector<ColumnRule>& generators,
                         std::string* error) {
  return CommitNamedGenerators(path, generators, error);
}

int WriteNamedGenerator(const std::string& path, const ColumnRule& generator, std::string* error) {
  return CommitNamedGenerators(path, std::span<const ColumnRule>(&generator, 1), error);
}

int ReadNamedGenerators(const std::string& path, std::vector<ColumnRule>& generators,
                        std::string* error) {
  CSysReg store;
  const int status = store.Open(path, CSysReg::kDiskFile);
  if (!store.ReadSection(kNamedGens)) {
    *error = status != 0 && !store.LastError().empty() ? store.LastError()
                                                         : path + ": the file holds no named generators";
    return status != 0 ? status : CSysReg::kBadFormat;
  }
  std::vector<ColumnRule> read;
  ReadGeneratorSection(store, read);
  generators = std::move(read);
  error->clear();
  return 0;
}
