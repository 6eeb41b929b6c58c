#include "quarnel/RuleChecks.h"

#include <cctype>

namespace {

bool EmptyOrDigitFirst(const std::string& text) {
  return text.empty() || std::isdigit(static_cast<unsigned char>(text[0]));
}

// A whole number 0..100 with nothing around it but blanks; -1 otherwise.
int Percentage(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  int value = 0;
  size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    value = value * 10 + (text[i] - '0');
    if (value > 100) return -1;
    ++i;
    ++digits;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  return digits > 0 && i == text.size() ? value : -1;
}

bool Blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

}  // namespace

int CheckRuleTemplate(Rule& rule, std::string* message) {
  if (rule.Mode == kRuleTables && EmptyOrDigitFirst(rule.TabName)) {
    rule.TabName = "*";
    *message = kTablesTemplateMessage;
    return 0;
  }
  if (rule.Mode == kRuleObjects && EmptyOrDigitFirst(rule.TabName)) {
    *message = kObjectsTemplateMessage;
    return 1;
  }
  message->clear();
  return 0;
}

int ParseValueUsage(const std::vector<std::string>& texts, std::vector<int>* usage, std::string* message) {
  size_t used = texts.size();
  while (used > 0 && Blank(texts[used - 1])) --used;
  std::vector<int> parsed;
  int total = 0;
  for (size_t i = 0; i < used; ++i) {
    const int value = Blank(texts[i]) ? 0 : Percentage(texts[i]);
    if (value < 0) {
      *message = kWrongUsageMessage;
      return 1;
    }
    total += value;
    parsed.push_back(value);
  }
  if (total > 100) {
    *message = kTotalUsageMessage;
    return 1;
  }
  *usage = std::move(parsed);
  message->clear();
  return 0;
}
