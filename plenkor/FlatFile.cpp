#include "plenkor/FlatFile.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "GenTmpl/PatternEngine.h"
#include "plenkor/Generators.h"
#include "project/PatternForm.h"
#include "project/ProjectFile.h"
#include "support/SysReg.h"
#include "support/TextUtil.h"

namespace {

constexpr int kTypeInteger = 4;
constexpr int kTypeDate = 9;
constexpr int kTypeTime = 10;
constexpr int kTypeVarchar = 12;
constexpr std::string_view kRuleName = "FlatFile";

std::string FieldName(std::string_view name, size_t position) {
  if (!name.empty()) return std::string(name);
  char text[32];
  std::snprintf(text, sizeof text, "Field%zu", position);
  return text;
}

// Splits a structure line at its separator: a tab when it holds one, else a
// comma, else (for example files) runs of blanks.
std::vector<std::string> SplitLine(std::string_view line, bool blanksToo) {
  std::vector<std::string> parts;
  const bool tab = line.find('\t') != std::string_view::npos;
  const bool comma = !tab && line.find(',') != std::string_view::npos;
  if (!tab && !comma && blanksToo) {
    std::istringstream words{std::string(line)};
    for (std::string word; words >> word;) parts.push_back(word);
    return parts;
  }
  const char separator = tab ? '\t' : ',';
  size_t start = 0;
  while (true) {
    const size_t end = line.find(separator, start);
    parts.push_back(TrimText(line.substr(start, end == std::string_view::npos ? end : end - start)));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return parts;
}

ColumnRule ProposedField(std::string_view name, std::string_view type, int size, size_t position) {
  const std::string_view label = MatchGenerator(name);
  const GeneratorEntry* entry = label.empty() ? nullptr : FindGenerator(label);
  return MakeField(name, type, size, label, entry ? entry->pattern : std::string_view(), position);
}

}  // namespace

std::string TypeText(std::string_view type, int size) {
  if (size > 0 && EqualsNoCase(type, "String")) return std::string(type) + "(" + std::to_string(size) + ")";
  return std::string(type);
}

int TypeCode(std::string_view typeText, int* size) {
  if (size) *size = 0;
  if (typeText == "Integer") return kTypeInteger;
  if (typeText == "Time") return kTypeTime;
  if (typeText == "Date" || typeText == "Date/Time") return kTypeDate;
  if (typeText.size() >= 6 && EqualsNoCase(typeText.substr(0, 6), "String") && typeText.size() > 7 && size) {
    *size = static_cast<int>(std::clamp<int64_t>(LeadingInteger(typeText.substr(7)), 0, 1 << 20));
  }
  return kTypeVarchar;
}

std::string_view BaseTypeName(std::string_view typeText) {
  for (std::string_view type : kFieldTypes) {
    if (EqualsNoCase(typeText, type)) return type;
  }
  return "String";
}

std::string DelimiterOf(FileFormat format, std::string_view custom) {
  switch (format) {
    case FileFormat::kTab: return std::string(kTabDelimiter);
    case FileFormat::kCsv: return ",";
    case FileFormat::kFixed: return std::string(kFixedDelimiter);
    case FileFormat::kCustom: break;
  }
  return std::string(custom);
}

FileFormat FormatOf(std::string_view delimiter) {
  if (delimiter == kTabDelimiter) return FileFormat::kTab;
  if (delimiter == ",") return FileFormat::kCsv;
  if (delimiter == kFixedDelimiter) return FileFormat::kFixed;
  return FileFormat::kCustom;
}

ColumnRule MakeField(std::string_view name, std::string_view type, int size, std::string_view label,
                     std::string_view pattern, size_t position) {
  ColumnRule field;
  field.Name = FieldName(name, position);
  SetFieldType(field, type, size);
  field.Method = kMethodPattern;
  field.LibName = std::string(label);
  field.Mask = std::string(pattern);
  field.isNull = 1;
  return field;
}

void SetFieldType(ColumnRule& field, std::string_view type, int size) {
  field.TypeName = TypeText(type, size);
  int parsed = 0;
  field.iType = static_cast<int16_t>(TypeCode(field.TypeName, &parsed));
  field.iSize = parsed;
}

Project NewDefinition() {
  Project definition;
  definition.ToTxtFile = 1;
  definition.NoExec = 1;
  definition.TruncateTXT = 1;
  definition.TxtDelimiter = std::string(kTabDelimiter);
  FileRule(definition);
  return definition;
}

Rule& FileRule(Project& definition) {
  if (definition.rules.empty()) {
    Rule rule;
    rule.TabName = std::string(kRuleName);
    rule.Mode = kRuleFile;
    rule.Records = 1000;
    definition.rules.push_back(std::move(rule));
  }
  return definition.rules.front();
}

const std::vector<ColumnRule>& Fields(const Project& definition) {
  static const std::vector<ColumnRule> kNone;
  return definition.rules.empty() ? kNone : definition.rules.front().Fields;
}

int AddField(Project& definition, ColumnRule field, std::string* message) {
  if (field.LibName.empty()) {
    if (message) *message = "The generator not specified yet.\n\nPlease select it from drop down menu.";
    return 1;
  }
  Rule& rule = FileRule(definition);
  if (field.Name.empty()) field.Name = FieldName({}, rule.Fields.size() + 1);
  rule.Fields.push_back(std::move(field));
  return 0;
}

int LoadDefinition(const std::string& path, Project& definition, int* warnings, std::string* message) {
  if (warnings) *warnings = 0;
  CSysReg store;
  const int status = store.Open(path, CSysReg::kDiskFile);
  if (status != 0) {
    if (message) *message = "Could not open the definition file '" + path + "'.\n" + store.LastError();
    return status;
  }
  Project loaded;
  std::string text;
  if (ReadProject(store, loaded, &text) != 0) {
    if (message) *message = text;
    return 1;
  }
  // A project made elsewhere may hold several rules or none; the file is the
  // first one, run as a file-only rule.
  if (loaded.rules.size() > 1) loaded.rules.resize(1);
  Rule& rule = FileRule(loaded);
  rule.Mode = kRuleFile;
  rule.InsMode = kInsAppend;
  rule.RcMode = kRcConstant;
  for (ColumnRule& column : rule.Fields) {
    if (column.Method == kMethodPattern) continue;
    ColumnRuleToPattern(column, &rule, nullptr);
    column.Method = kMethodPattern;
    column.LibName = std::string(kCustomGeneratorLabel);
    if (warnings) ++*warnings;
  }
  loaded.ToTxtFile = 1;
  loaded.NoExec = 1;
  definition = std::move(loaded);
  if (message) *message = text;
  return 0;
}

int SaveDefinition(const std::string& path, const Project& definition, std::string* message) {
  CSysReg store;
  store.Open(path, CSysReg::kDiskFile, 1);
  WriteSettingsSection(store, SavedSettings{});
  WriteProject(store, definition, false, {}, nullptr);
  int status = 0;
  if (!store.SaveSection(&status)) {
    if (message) *message = "Could not save the definition file '" + path + "'.\n" + store.LastError();
    return status != 0 ? status : 1;
  }
  return 0;
}

bool ConfirmSave(const Project& definition, Prompt& prompt) {
  const std::vector<ColumnRule>& fields = Fields(definition);
  const char* question = nullptr;
  if (fields.empty()) {
    question = "No column was defined.\nDo you wish to save empty file?";
  } else if (std::ranges::any_of(fields, [](const ColumnRule& f) { return f.LibName.empty(); })) {
    question = "One or more columns have no generator specified.\nDo you really wish to save incomplete file?";
  }
  return !question ||
         prompt.Ask("Warning", question, PromptIcon::kQuestion, PromptButtons::kYesNo, PromptAnswer::kNo) ==
             PromptAnswer::kYes;
}

std::string CompatibilityWarning(int warnings) {
  char text[200];
  std::snprintf(text, sizeof text,
                "The project has been loaded with %d compatibility warnings.\r\nMost possible it was created by "
                "another generator edition.",
                warnings);
  return text;
}

std::string StructureText(const std::vector<ColumnRule>& fields, bool asCreateTable, std::string_view tableName) {
  std::string out;
  if (!asCreateTable) {
    for (const ColumnRule& field : fields) {
      out += field.Name;
      out += ',';
      out += BaseTypeName(field.TypeName);
      if (field.iSize != 0) out += "," + std::to_string(field.iSize);
      out += "\r\n";
    }
    return out;
  }
  out += "CREATE TABLE ";
  out += tableName.empty() ? std::string_view("tab") : tableName;
  out += " (\r\n";
  for (size_t i = 0; i < fields.size(); ++i) {
    const ColumnRule& field = fields[i];
    out += '\t';
    out += field.Name;
    out += ' ';
    const std::string_view type = BaseTypeName(field.TypeName);
    out += type == "Integer" || type == "Date" || type == "Time" ? type : std::string_view("varchar");
    if (field.iSize != 0) out += "(" + std::to_string(field.iSize) + ")";
    if (i + 1 < fields.size()) out += ',';
    out += "\r\n";
  }
  out += ")\r\n";
  return out;
}

int ExportStructure(const std::string& path, const std::vector<ColumnRule>& fields, bool asCreateTable,
                    std::string_view tableName, std::string* message) {
  const std::string text = StructureText(fields, asCreateTable, tableName);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (file) file.close();
  if (!file) {
    if (message) *message = path;
    return 1;
  }
  return 0;
}

std::vector<ColumnRule> ParseStructure(std::string_view text, bool asExample) {
  std::vector<ColumnRule> fields;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (TrimText(line).empty()) continue;
    const std::vector<std::string> parts = SplitLine(line, asExample);
    if (asExample) {
      for (const std::string& name : parts) {
        const bool repeated = std::ranges::any_of(fields, [&](const ColumnRule& f) { return f.Name == name; });
        fields.push_back(ProposedField(repeated ? std::string_view() : std::string_view(name), "String", 0,
                                       fields.size() + 1));
      }
      break;  // the first line names the fields; the rest are data
    }
    const std::string_view type = parts.size() > 1 ? BaseTypeName(parts[1]) : std::string_view("String");
    int size = 0;
    if (parts.size() > 2) {
      size = static_cast<int>(std::clamp<int64_t>(LeadingInteger(parts[2]), 0, 1 << 20));
    } else if (parts.size() > 1) {
      TypeCode(parts[1], &size);  // "String(10)" carries its size
    }
    fields.push_back(ProposedField(parts[0], type, type == "String" ? size : 0, fields.size() + 1));
  }
  return fields;
}

int ImportStructure(const std::string& path, bool asExample, Project& definition, std::string* message) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    if (message) *message = "Could not open file '" + path + "'.";
    return 1;
  }
  std::ostringstream text;
  text << file.rdbuf();
  FileRule(definition).Fields = ParseStructure(text.str(), asExample);
  return 0;
}

std::string PreviewResult::SampleText() const {
  std::string text;
  for (size_t i = 0; i < samples.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += samples[i];
  }
  return text;
}

PreviewResult RunPreview(PatternEngine& engine, const std::vector<ColumnRule>& fields, int selected,
                         std::string_view edited) {
  PreviewResult result;
  engine.Reset();
  for (const ColumnRule& field : fields) engine.AddColumn(field.Name);
  std::string value;
  for (int row = 0; row < kPreviewRows && result.errorCode == 0; ++row) {
    std::vector<std::string>& values = result.rows.emplace_back();
    for (size_t c = 0; c < fields.size(); ++c) {
      const int code = engine.Generate(value, static_cast<int>(c), fields[c].Mask);
      values.push_back(value);
      if (code != 0 && result.errorCode == 0) {
        result.errorCode = code;
        result.errorMessage = engine.ErrorMessage();
      }
    }
    if (selected >= 0) {
      const int code = engine.Generate(value, selected, edited);
      result.samples.push_back(value);
      if (code != 0 && result.errorCode == 0) {
        result.errorCode = code;
        result.errorMessage = engine.ErrorMessage();
      }
    }
    engine.NextRow();
  }
  engine.Clear();
  return result;
}
