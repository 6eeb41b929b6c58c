#include "project/Project.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace {

constexpr std::array<std::string_view, 5> kKindNames = {"data", "table", "object", "file", "clear"};
constexpr std::array<std::string_view, 5> kKindTitles = {
    "Generator for", "Tables generator by template", "Objects generator",
    "Flat data file generator", "Clear Rule"};
constexpr std::array<std::string_view, 4> kInsertModeNames = {"append", "replace", "update",
                                                              "scramble"};

template <size_t N>
std::string_view NameByCode(const std::array<std::string_view, N>& names, int code) {
  return code >= 0 && static_cast<size_t>(code) < N ? names[static_cast<size_t>(code)]
                                                    : std::string_view{};
}

// ", format '...'" when a format is set; shared by the random and incremental texts.
void AppendFormatPart(std::string& out, const ColumnRule& column) {
  if (!column.sFormat.empty()) out += ", format '" + column.sFormat + "'";
}

void AppendConnectionPart(std::string& out, const ColumnRule& column) {
  if (column.ConType != 0) out += " [" + column.ConInfo() + "]";
}

}  // namespace

int64_t LeadingInteger(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  uint64_t value = 0;
  constexpr uint64_t kLimit = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = std::min(kLimit, value * 10 + static_cast<uint64_t>(text[pos] - '0'));
  }
  return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
}

Rule NewRule(const RuleDefaults& defaults) {
  Rule rule;
  rule.InsMode = defaults.DefRuleType;
  const int64_t rows = std::clamp<int64_t>(LeadingInteger(defaults.Rows), std::numeric_limits<int>::min(),
                                           std::numeric_limits<int>::max());
  rule.RecordsFrom = rule.RecordsTo = static_cast<int>(rows);
  return rule;
}

std::string_view RuleKindName(const Rule& rule) { return NameByCode(kKindNames, rule.Mode); }

std::string_view InsertModeName(const Rule& rule) {
  return NameByCode(kInsertModeNames, rule.InsMode);
}

std::string DescribeRule(const Rule& rule, bool showTarget) {
  const std::string title(NameByCode(kKindTitles, rule.Mode));
  if (rule.Mode == kRuleClear) return title + ", " + std::to_string(rule.ClTab.size()) + " table(s)";
  std::string text = title + " '" + rule.TabName + "'";
  if (rule.Mode == kRuleData) {
    text += ", ";
    text += InsertModeName(rule);
    if (rule.InsMode == kInsScramble && showTarget)
      text += " to '" + rule.sTarget + "' at " + rule.TargetConn.ConInfo();
  }
  return text;
}

std::string DescribeColumnRule(const ColumnRule& c) {
  std::string text;
  switch (c.Method) {
    case kMethodRandom:
      text = "By random data";
      if (c.LowRange != c.HighRange) text += " [" + c.LowRange + ";" + c.HighRange + "]";
      AppendFormatPart(text, c);
      break;
    case kMethodLinkedTable:
      text = "From table " + c.Table + "." + c.Column;
      AppendConnectionPart(text, c);
      break;
    case kMethodValueList: {
      text = "From list of " + std::to_string(c.Values.size()) + " items:";
      const size_t shown = std::min<size_t>(c.Values.size(), 5);
      for (size_t i = 0; i < shown; ++i) {
        if (i > 0) text += ", ";
        text += c.Values[i];
      }
      if (c.Values.size() > shown) text += ",...";
      break;
    }
    case kMethodDiskFile:
      text = "From text file '" + c.FileName + "'";
      break;
    case kMethodIgnore:
      text = "Ignore";
      break;
    case kMethodLibrary:
      text = "From Value Library [" + c.LibName + "]";
      break;
    case kMethodIncremental:
      text = "Incremental: start " + (c.AfterLast ? std::string("after last value") : "with " + c.Start) +
             ", step is " + c.Step + ", each value use " + std::to_string(c.Times) + " times";
      AppendFormatPart(text, c);
      break;
    case kMethodPattern:
      text = !c.regexp.empty() ? "By regular expression '" + c.regexp + "'" : "By pattern '" + c.Mask + "'";
      break;
    case kMethodSql:
      text = "By SQL statement '" + c.SQL + "'";
      AppendConnectionPart(text, c);
      break;
    case kMethodGroupItem:
      text = "Is item of the group #" + std::to_string(c.groupNo);
      break;
    default:
      break;
  }
  if (c.groupNo >= 1 && c.Method != kMethodGroupItem)
    text += ", defines group #" + std::to_string(c.groupNo);
  if (c.Method != kMethodIgnore) {
    if (c.Seqent) text += ", use sequentially";
    if (c.asMask) text += ", use value as pattern";
    if (c.UseNulls >= 0) text += ", " + std::to_string(c.UseNulls) + "% nulls";
    if (c.Unique) text += ", Unique";
  }
  return text;
}

std::string VariableValue(std::string_view name, const std::vector<ProjectVariable>& project,
                          const std::vector<ProjectVariable>& globals) {
  const std::vector<ProjectVariable>* list = nullptr;
  if (name.starts_with('#')) list = &project;
  else if (name.starts_with('@')) list = &globals;
  if (list != nullptr) {
    auto found = std::find_if(list->begin(), list->end(),
                              [&](const ProjectVariable& v) { return v.Name == name; });
    if (found != list->end()) return found->Value;
  }
  return std::string(name);
}

namespace {

// Shared checks of AddVariable and ModifyVariable; `skip` is the entry being
// replaced, which may keep its own name.
int CheckVariable(const std::vector<ProjectVariable>& list, const ProjectVariable& variable,
                  size_t skip, std::string* message) {
  if (variable.Name.empty() || variable.Def.empty()) {
    *message = "Please enter name and definition for the variable before.";
    return 1;
  }
  for (size_t i = 0; i < list.size(); ++i) {
    if (i != skip && list[i].Name == variable.Name) {
      *message = "You can't add same variable again. Please use 'modfiy' button to update it.";
      return 1;
    }
  }
  return 0;
}

}  // namespace

int AddVariable(std::vector<ProjectVariable>& list, const ProjectVariable& variable,
                std::string* message) {
  if (CheckVariable(list, variable, list.size(), message) != 0) return 1;
  list.push_back(variable);
  return 0;
}

int ModifyVariable(std::vector<ProjectVariable>& list, size_t index,
                   const ProjectVariable& variable, std::string* message) {
  if (index >= list.size()) {
    *message = "There is no variable to modify.";
    return 1;
  }
  if (CheckVariable(list, variable, index, message) != 0) return 1;
  list[index] = variable;
  return 0;
}
