#include "quarnel/ProgramSettings.h"

#include <cerrno>

#include "support/Log.h"
#include "support/SysReg.h"

namespace {

constexpr int kText = _Settings::kText;
constexpr int kInt = _Settings::kInt;

struct KeyDef {
  const char* name;
  int type;
  int intDefault;
  const char* textDefault;
};

// Section of the settings file that holds each group.
constexpr const char* kGroupSections[ProgramSettings::kGroupCount] = {
    "General", "UserInterface", "RuleDefaults", "Execution", "DateTime", "VersionControl"};

// The log's keys, registered in every group.
constexpr KeyDef kSharedKeys[] = {
    {"LogLevel", kInt, 0, ""},       {"LogViewer", kText, 0, ""},
    {"ConsoleSQL", kText, 0, ""},    {"LogFilePath", kText, 0, ""},
    {"TruncateBigLog", kInt, 0, ""}, {"TruncateSize", kInt, 10, ""},
};

constexpr KeyDef kGeneralKeys[] = {
    {"TruncateLog", kInt, 0, ""},   {"SchemaCache", kInt, 1, ""},  {"ValuesLibrary", kText, 0, ""},
    {"Profile0", kText, 0, ""},     {"Profile1", kText, 0, ""},    {"Profile2", kText, 0, ""},
    {"Profile3", kText, 0, ""},     {"Profile4", kText, 0, ""},    {"Profile5", kText, 0, ""},
    {"Profile6", kText, 0, ""},     {"Profile7", kText, 0, ""},    {"Profile8", kText, 0, ""},
    {"Profile9", kText, 0, ""},     {"LastFile", kText, 0, ""},    {"isConnected", kInt, 0, ""},
    {"UseConnect", kInt, 1, ""},    {"WelcomeLast", kInt, 0, ""},  {"Tables", kText, 0, ""},
    {"ExecMode", kText, 0, ""},     {"fc_text", kInt, 1, ""},      {"fc_access", kInt, 0, ""},
    {"fc_dbf", kInt, 0, ""},        {"fc_paradox", kInt, 0, ""},   {"fc_excel", kInt, 0, ""},
    {"fc_file_name", kText, 0, ""}, {"BL_Dir", kText, 0, ""},      {"BL_Counter", kText, 0, "0"},
    {"BL_SubDir", kInt, 0, ""},     {"BL_Column", kText, 0, ""},   {"BL_Table", kText, 0, ""},
    {"P_W1", kInt, 263, ""},        {"P_W2", kInt, 86, ""},        {"P_W3", kInt, 47, ""},
    {"P_W4", kInt, 47, ""},         {"C_W1", kInt, 157, ""},       {"C_W2", kInt, 72, ""},
    {"C_W3", kInt, 110, ""},        {"C_W4", kInt, 59, ""},        {"C_W5", kInt, 52, ""},
    {"OT_W1", kInt, 120, ""},       {"OT_W2", kInt, 115, ""},      {"OT_W3", kInt, 34, ""},
    {"OT_W4", kInt, 30, ""},        {"OT_W5", kInt, 45, ""},       {"ListPageW1", kInt, 210, ""},
    {"VA_W1", kInt, 60, ""},        {"VA_W2", kInt, 120, ""},      {"VA_W3", kInt, 350, ""},
    {"NG_W0", kInt, 85, ""},        {"NG_W1", kInt, 400, ""},
};

constexpr KeyDef kInterfaceKeys[] = {
    {"RestoreConn", kInt, 1, ""},          {"AskConnect", kInt, 1, ""},
    {"LoadLastFile", kInt, 1, ""},         {"ViewsInData", kInt, 0, ""},
    {"SynsInData", kInt, 0, ""},           {"ShowViews", kInt, 0, ""},
    {"SmartInput", kInt, 0, ""},           {"Welcome", kInt, 1, ""},
    {"UseHotKeys", kInt, 1, ""},           {"ConsoleShowsDisabled", kInt, 0, ""},
    {"ConsoleShowsRest", kInt, 0, ""},     {"ConsoleShowsPending", kInt, 0, ""},
    {"ShowTransSize", kInt, 1, ""},
};

constexpr KeyDef kRuleDefaultKeys[] = {
    {"StringLen", kInt, 1, ""},
    {"StringLenTo", kInt, 4096, ""},
    {"DefDigits", kInt, 0, ""},
    {"CharSet", kText, 0, " -+/_*#$=<>~!@|\\()&^.;:{}[],?"},
    {"Rows", kText, 0, "1000"},
    {"PerTran", kText, 0, "500"},
    {"NullFactor", kText, 0, "10"},
    {"DefRuleType", kInt, 0, ""},
    {"DefScrMode", kInt, 0, ""},
    {"ScrSuffix", kText, 0, "_scrambled"},
    {"IgnoreTimeStamps", kInt, 1, ""},
    {"CreateBak", kInt, 1, ""},
    {"SingleCPU", kInt, 0, ""},
};

constexpr KeyDef kExecutionKeys[] = {
    {"FromLinked", kInt, 1024000, ""}, {"MaxBlobSize", kInt, 4095, ""},
    {"UniqueTryCounter", kInt, 50, ""}, {"Repeatable", kInt, 0, ""},
    {"InitRepeat", kInt, 12345, ""},   {"RemoveComma", kInt, 1, ""},
    {"RecreateScrambleTab", kInt, 1, ""}, {"QChars", kText, 0, ""},
    {"QCharData", kText, 0, "'"},      {"UnicodePrefix", kInt, 1, ""},
    {"VerifySchema", kInt, 1, ""},     {"SaveProject", kInt, 1, ""},
    {"SingleTransaction", kInt, 0, ""}, {"PerformanceDefault", kInt, 0, ""},
    {"ReportInterval", kInt, 5000, ""}, {"UseBULK", kInt, 0, ""},
    {"RowsPerStatement", kInt, 1, ""},
};

constexpr KeyDef kDateTimeKeys[] = {
    {"DateFormat", kText, 0, "YYYY-MM-DD"}, {"TimeFormat", kText, 0, "HH:MM:SS"},
    {"DateTimeSep", kText, 0, " "},         {"YearFrom", kInt, 1950, ""},
    {"YearTo", kInt, 2020, ""},             {"DateConversion", kText, 0, ""},
};

constexpr KeyDef kVersionControlKeys[] = {
    {"System", kText, 0, ""},         {"vssUser", kText, 0, ""},
    {"vssDB", kText, 0, ""},          {"vssProject", kText, 0, ""},
    {"vssFolder", kText, 0, ""},      {"vssPassword", kText, 0, ""},
    {"vssCmdCheckin", kText, 0, ""},  {"vssCmdCheckout", kText, 0, ""},
    {"vssCmdAdd", kText, 0, ""},      {"vssCmdUndo", kText, 0, ""},
};

template <size_t N>
void AddKeys(_Settings& group, const KeyDef (&keys)[N]) {
  for (const KeyDef& key : keys) group.Add(key.name, key.type, key.intDefault, key.textDefault);
}

const std::string kEmpty;

}  // namespace

ProgramSettings::ProgramSettings(CLog* log) : log_(log) { RegisterKeys(); }

void ProgramSettings::RegisterKeys() {
  for (int g = 0; g < kGroupCount; ++g) {
    AddKeys(groups_[g], kSharedKeys);
    groups_[g].SetProfileName(kGroupSections[g], log_);
  }
  AddKeys(groups_[0], kGeneralKeys);
  AddKeys(groups_[1], kInterfaceKeys);
  AddKeys(groups_[2], kRuleDefaultKeys);
  AddKeys(groups_[3], kExecutionKeys);
  AddKeys(groups_[4], kDateTimeKeys);
  AddKeys(groups_[5], kVersionControlKeys);
}

const _Settings* ProgramSettings::GroupFor(int group) const {
  if (group >= 0 && group < kGroupCount) return &groups_[group];
  if (log_) log_->Bug("setting group out of range: " + std::to_string(group), "ProgramSettings");
  return nullptr;
}

int ProgramSettings::GetSettingInt(int group, std::string_view key) const {
  const _Settings* settings = GroupFor(group);
  return settings ? settings->getInt(key) : 0;
}

const std::string& ProgramSettings::GetSettingStr(int group, std::string_view key) const {
  const _Settings* settings = GroupFor(group);
  return settings ? settings->getStr(key) : kEmpty;
}

void ProgramSettings::SetSettingInt(int group, std::string_view key, int value) {
  if (GroupFor(group)) groups_[group].setInt(key, value);
}

void ProgramSettings::SetSettingStr(int group, std::string_view key, std::string_view text) {
  if (GroupFor(group)) groups_[group].setStr(key, text);
}

int ProgramSettings::LoadSettings() {
  int first = 0;
  for (_Settings& group : groups_) {
    int rc = group.LoadData();
    if (first == 0) first = rc;
  }
  int rc = LoadGlobalVars();
  return first != 0 ? first : rc;
}

int ProgramSettings::SaveSettings(int takePageEdits) {
  if (takePageEdits && pageEdits_) pageEdits_();
  int first = 0;
  for (_Settings& group : groups_) {
    int rc = group.SaveData();
    if (first == 0) first = rc;
  }
  int rc = SaveGlobalVars();
  return first != 0 ? first : rc;
}

int ProgramSettings::LoadGlobalVars() {
  globalVars_.clear();
  CSysReg store(kGlobalVarsKey, CSysReg::kUserStore);
  int rc = store.LastStatus();
  if (rc == ENOENT) return 0;
  if (rc != 0 && log_) log_->Bug(store.LastError(), "ProgramSettings::LoadGlobalVars");
  int count = 0;
  store.Read("NVars", count, 0);
  if (count < 0 || count > kMaxGlobalVars) {
    if (log_) log_->Bug("implausible NVars ignored: " + std::to_string(count), "ProgramSettings::LoadGlobalVars");
    count = 0;
  }
  globalVars_.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    GlobalVariable var;
    store.ReadByNo("Name", i, var.Name, "");
    store.ReadByNo("Type", i, var.Type, "");
    store.ReadByNo("Def", i, var.Def, "");
    globalVars_.push_back(std::move(var));
  }
  return rc;
}

int ProgramSettings::SaveGlobalVars() {
  CSysReg store(kGlobalVarsKey, CSysReg::kUserStore, 1);
  store.SetFileMode(0600);
  store.Save("NVars", static_cast<int>(globalVars_.size()));
  for (size_t i = 0; i < globalVars_.size(); ++i) {
    int n = static_cast<int>(i);
    store.SaveByNo("Name", n, std::string_view(globalVars_[i].Name));
    store.SaveByNo("Type", n, std::string_view(globalVars_[i].Type));
    store.SaveByNo("Def", n, std::string_view(globalVars_[i].Def));
  }
  int status = 0;
  if (!store.SaveSection(&status) && log_) log_->Bug(store.LastError(), "ProgramSettings::SaveGlobalVars");
  return status;
}

int ProgramSettings::AddRecentProject(const std::string& path) {
  _Settings& general = groups_[0];
  static constexpr const char* kProfiles[kRecentCount] = {"Profile0", "Profile1", "Profile2", "Profile3",
                                                         "Profile4", "Profile5", "Profile6", "Profile7",
                                                         "Profile8", "Profile9"};
  for (const char* key : kProfiles) {
    if (general.getStr(key) == path) return 0;
  }
  for (int i = kRecentCount - 1; i > 0; --i) general.setStr(kProfiles[i], general.getStr(kProfiles[i - 1]));
  general.setStr(kProfiles[0], path);
  return general.SaveData();
}
