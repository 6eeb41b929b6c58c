#include "project/Project.h"

#include <gtest/gtest.h>

namespace {

TEST(ProjectModel, NewRuleTakesSettings) {
  Rule rule = NewRule({2, "250"});
  EXPECT_EQ(rule.InsMode, 2);
  EXPECT_EQ(rule.RecordsFrom, 250);
  EXPECT_EQ(rule.RecordsTo, 250);
  EXPECT_EQ(rule.Enabled, 1);
  EXPECT_TRUE(rule.Fields.empty());
  EXPECT_EQ(NewRule({0, "99999999999999"}).RecordsTo, 2147483647);
  EXPECT_EQ(NewRule({0, "abc"}).RecordsFrom, 0);
}

TEST(ProjectModel, KindAndModeNamesAreEmptyForUnknownCodes) {
  Rule rule;
  rule.Mode = 3;
  rule.InsMode = 3;
  EXPECT_EQ(RuleKindName(rule), "file");
  EXPECT_EQ(InsertModeName(rule), "scramble");
  rule.Mode = 5;
  rule.InsMode = -1;
  EXPECT_EQ(RuleKindName(rule), "");
  EXPECT_EQ(InsertModeName(rule), "");
}

TEST(ProjectModel, DescribeRule) {
  Rule data;
  data.TabName = "orders";
  data.InsMode = kInsReplace;
  EXPECT_EQ(DescribeRule(data, true), "Generator for 'orders', replace");
  data.InsMode = kInsScramble;
  data.sTarget = "orders_s";
  data.TargetConn.conDSN = "tgt";
  EXPECT_EQ(DescribeRule(data, false), "Generator for 'orders', scramble");
  EXPECT_EQ(DescribeRule(data, true), "Generator for 'orders', scramble to 'orders_s' at DSN=tgt");
  Rule clear;
  clear.Mode = kRuleClear;
  clear.ClTab = {{"a", 1}, {"b", 0}};
  EXPECT_EQ(DescribeRule(clear, true), "Clear Rule, 2 table(s)");
  Rule objects;
  objects.Mode = kRuleObjects;
  objects.TabName = "v_*";
  EXPECT_EQ(DescribeRule(objects, true), "Objects generator 'v_*'");
}

struct DescribeCase {
  const char* label;
  void (*edit)(ColumnRule&);
  const char* expected;
};

class DescribeColumnTest : public ::testing::TestWithParam<DescribeCase> {};

TEST_P(DescribeColumnTest, Text) {
  ColumnRule c;
  GetParam().edit(c);
  EXPECT_EQ(DescribeColumnRule(c), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, DescribeColumnTest,
    ::testing::Values(
        DescribeCase{"random_bounds", [](ColumnRule& c) { c.LowRange = "1", c.HighRange = "9"; },
                     "By random data [1;9], format '%d', 0% nulls"},
        DescribeCase{"random_same_bounds_no_format", [](ColumnRule& c) { c.sFormat.clear(), c.UseNulls = -1; },
                     "By random data"},
        DescribeCase{"linked_own_connection",
                     [](ColumnRule& c) { c.Method = 1, c.Table = "t", c.Column = "id", c.ConType = 1, c.conDSN = "x", c.UseNulls = -1; },
                     "From table t.id [DSN=x]"},
        DescribeCase{"list_six_items",
                     [](ColumnRule& c) { c.Method = 2, c.Values = {"a", "b", "c", "d", "e", "f"}, c.Seqent = 1, c.asMask = 1, c.UseNulls = 5, c.Unique = 1; },
                     "From list of 6 items:a, b, c, d, e,..., use sequentially, use value as pattern, 5% nulls, Unique"},
        DescribeCase{"file_group", [](ColumnRule& c) { c.Method = 3, c.FileName = "f", c.groupNo = 2, c.UseNulls = -1; },
                     "From text file 'f', defines group #2"},
        DescribeCase{"ignore_has_no_suffix", [](ColumnRule& c) { c.Method = 4, c.Unique = 1; }, "Ignore"},
        DescribeCase{"library", [](ColumnRule& c) { c.Method = 5, c.LibName = "Cities", c.UseNulls = -1; },
                     "From Value Library [Cities]"},
        DescribeCase{"incremental_after_last", [](ColumnRule& c) { c.Method = 6, c.AfterLast = 1, c.Step = "2", c.Times = 3, c.UseNulls = -1; },
                     "Incremental: start after last value, step is 2, each value use 3 times, format '%d'"},
        DescribeCase{"incremental_start", [](ColumnRule& c) { c.Method = 6, c.Start = "7", c.sFormat.clear(), c.UseNulls = -1; },
                     "Incremental: start with 7, step is 1, each value use 1 times"},
        DescribeCase{"regexp", [](ColumnRule& c) { c.Method = 7, c.regexp = "r", c.Mask = "m", c.UseNulls = -1; },
                     "By regular expression 'r'"},
        DescribeCase{"pattern", [](ColumnRule& c) { c.Method = 7, c.Mask = "m", c.UseNulls = -1; }, "By pattern 'm'"},
        DescribeCase{"sql", [](ColumnRule& c) { c.Method = 8, c.SQL = "select 1", c.UseNulls = -1; }, "By SQL statement 'select 1'"},
        DescribeCase{"group_item_does_not_define", [](ColumnRule& c) { c.Method = 10, c.groupNo = 3, c.UseNulls = -1; },
                     "Is item of the group #3"},
        DescribeCase{"named_is_empty", [](ColumnRule& c) { c.Method = 12, c.UseNulls = -1; }, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ProjectVariables, LookupBySignAndWholeName) {
  const std::vector<ProjectVariable> local = {{"#n", "Constant", "5", "five"}, {"#name", "Constant", "x", "long"}};
  const std::vector<ProjectVariable> global = {{"@n", "Constant", "7", "seven"}};
  EXPECT_EQ(VariableValue("#n", local, global), "five");
  EXPECT_EQ(VariableValue("#name", local, global), "long");
  EXPECT_EQ(VariableValue("@n", local, global), "seven");
  EXPECT_EQ(VariableValue("#N", local, global), "#N");
  EXPECT_EQ(VariableValue("#na", local, global), "#na");
  EXPECT_EQ(VariableValue("@name", local, global), "@name");
  EXPECT_EQ(VariableValue("n", local, global), "n");
}

TEST(ProjectVariables, AddAndModifyRefuseDuplicatesAndEmptyFields) {
  std::vector<ProjectVariable> list;
  std::string message;
  EXPECT_EQ(AddVariable(list, {"#a", "Constant", "1", ""}, &message), 0);
  EXPECT_EQ(AddVariable(list, {"#a", "Constant", "2", ""}, &message), 1);
  EXPECT_EQ(message, "You can't add same variable again. Please use 'modfiy' button to update it.");
  EXPECT_EQ(AddVariable(list, {"#b", "Constant", "", ""}, &message), 1);
  EXPECT_EQ(message, "Please enter name and definition for the variable before.");
  EXPECT_EQ(AddVariable(list, {"#b", "Constant", "2", ""}, &message), 0);
  EXPECT_EQ(ModifyVariable(list, 0, {"#a", "Database Query", "select 1", ""}, &message), 0);
  EXPECT_EQ(list[0].Def, "select 1");
  EXPECT_EQ(ModifyVariable(list, 0, {"#b", "Constant", "3", ""}, &message), 1);
  EXPECT_EQ(ModifyVariable(list, 5, {"#c", "Constant", "3", ""}, &message), 1);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].Def, "2");
}

}  // namespace
