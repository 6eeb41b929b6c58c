// What the editors enforce: rule templates and value-list usages.
#include <gtest/gtest.h>

#include "quarnel/RuleChecks.h"

TEST(RuleTemplate, TablesRuleIsMendedObjectsRuleIsRefused) {
  struct Case {
    int mode;
    std::string name;
    int status;
    std::string after;
    std::string message;
  };
  const Case cases[] = {
      {kRuleTables, "", 0, "*", kTablesTemplateMessage},
      {kRuleTables, "9tab", 0, "*", kTablesTemplateMessage},
      {kRuleTables, "test_?", 0, "test_?", ""},
      {kRuleObjects, "", 1, "", kObjectsTemplateMessage},
      {kRuleObjects, "1view", 1, "1view", kObjectsTemplateMessage},
      {kRuleObjects, "v_*", 0, "v_*", ""},
      {kRuleData, "", 0, "", ""},
  };
  for (const Case& c : cases) {
    Rule rule;
    rule.Mode = c.mode;
    rule.TabName = c.name;
    std::string message = "stale";
    EXPECT_EQ(CheckRuleTemplate(rule, &message), c.status) << c.name;
    EXPECT_EQ(rule.TabName, c.after);
    EXPECT_EQ(message, c.message);
  }
}

TEST(ValueUsage, NumbersAreCheckedOneByOneAndInTotal) {
  struct Case {
    std::vector<std::string> texts;
    int status;
    std::vector<int> usage;
    std::string message;
  };
  const Case cases[] = {
      {{"", ""}, 0, {}, ""},
      {{"70", "30"}, 0, {70, 30}, ""},
      {{" 70 ", "", "10", ""}, 0, {70, 0, 10}, ""},
      {{"101"}, 1, {9}, kWrongUsageMessage},
      {{"-1"}, 1, {9}, kWrongUsageMessage},
      {{"5%"}, 1, {9}, kWrongUsageMessage},
      {{"99999999999999999999"}, 1, {9}, kWrongUsageMessage},
      {{"60", "41"}, 1, {9}, kTotalUsageMessage},
      {{"100", "0"}, 0, {100, 0}, ""},
  };
  for (const Case& c : cases) {
    std::vector<int> usage{9};
    std::string message;
    EXPECT_EQ(ParseValueUsage(c.texts, &usage, &message), c.status) << testing::PrintToString(c.texts);
    EXPECT_EQ(usage, c.usage);
    EXPECT_EQ(message, c.message);
  }
}
