// What the rule editors enforce before a rule or a value list is taken: the
// name templates of tables and objects rules, and the usage percentages of a
// value list. Each check returns 0 when the input may be taken, else 1 with
// the message for the user; the template check of a tables rule mends the
// rule itself and reports what it did.
#pragma once

#include <string>
#include <vector>

#include "project/Project.h"

inline constexpr const char* kTablesTemplateMessage =
    "Template name for tables is empty or incorrect. Replaced to '*'.";
inline constexpr const char* kObjectsTemplateMessage = "Template name for objects is empty or incorrect!";
inline constexpr const char* kWrongUsageMessage = "Wrong usage % number. 0 to 100 required.";
inline constexpr const char* kTotalUsageMessage = "Total usage exceeds 100%";

// A tables rule whose template is empty or starts with a digit gets "*" and
// `message` says so (returns 0: the rule can be taken). An objects rule with
// such a template returns 1 with its message and is left unchanged. Other
// kinds always pass.
int CheckRuleTemplate(Rule& rule, std::string* message);

// Reads the usage column of a value list as typed, one text per item. All
// texts empty: no usages (items are drawn evenly). Otherwise every text must
// be a whole number 0 to 100 (an empty text counts 0, empty texts after the
// last number are dropped) and the sum at most 100. Returns 0 with `usage`
// filled, or 1 with the message (and `usage` unchanged).
int ParseValueUsage(const std::vector<std::string>& texts, std::vector<int>* usage, std::string* message);
