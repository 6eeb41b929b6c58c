#include "project/PatternForm.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "GenTmpl/PatternEngine.h"

namespace {

ColumnRule Column(int method, int type) {
  ColumnRule c;
  c.Name = "c";
  c.Method = method;
  c.iType = static_cast<int16_t>(type);
  return c;
}

struct PatternCase {
  const char* label;
  ColumnRule column;
  const char* expected;
};

ColumnRule With(ColumnRule c, void (*edit)(ColumnRule&)) {
  edit(c);
  return c;
}

class PatternFormTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(PatternFormTest, GivesPatternOfEveryMethodAndType) {
  ColumnRule c = GetParam().column;
  PatternSettings settings;
  settings.DateTimeSep = "Space";
  ColumnRuleToPattern(c, nullptr, &settings);
  EXPECT_EQ(c.Mask, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, PatternFormTest,
    ::testing::Values(
        PatternCase{"int", With(Column(0, 4), [](ColumnRule& c) { c.LowRange = "1", c.HighRange = "100"; }),
                    "$Rint(1,100,%d)"},
        PatternCase{"int_nulls", With(Column(0, 4), [](ColumnRule& c) { c.LowRange = "1", c.HighRange = "100", c.UseNulls = 10; }),
                    "$IfR(10,\\NULL,$Rint(1,100,%d))"},
        PatternCase{"int_nulls_seq",
                    With(Column(0, 4), [](ColumnRule& c) { c.LowRange = "1", c.HighRange = "100", c.UseNulls = 10, c.SequenceLen = 3; }),
                    "$Seq($IfR(10,\\NULL,$Rint(1,100,%d)),3)"},
        PatternCase{"unique_skips_other_wrappers",
                    With(Column(0, -5), [](ColumnRule& c) { c.Unique = 1, c.UseNulls = 10, c.SequenceLen = 3; }),
                    "$Unique($Rint(,,%d))"},
        PatternCase{"nulls_101_no_wrapper", With(Column(0, 5), [](ColumnRule& c) { c.UseNulls = 101; }), "$Rint(,,%d)"},
        PatternCase{"float_drops_default_format",
                    With(Column(0, 3), [](ColumnRule& c) { c.LowRange = "0", c.HighRange = "9", c.iDigits = 2; }),
                    "$Rfloat(0,9,2,)"},
        PatternCase{"date_takes_setting", With(Column(0, 91), [](ColumnRule& c) { c.sFormat.clear(); }),
                    "$RDate(YYYY-MM-DD,,)"},
        PatternCase{"time", With(Column(0, 92), [](ColumnRule& c) { c.LowRange = "08:00:00"; }), "$RTime(HH:MM:SS,08:00:00,)"},
        PatternCase{"timestamp_space", With(Column(0, 93), [](ColumnRule& c) { c.LowRange = "a", c.HighRange = "b"; }),
                    "$RDate(YYYY-MM-DD,a,b) $RTime(HH:MM:SS)"},
        PatternCase{"timestamp_tz", Column(0, -155), "$RDate(YYYY-MM-DD,,) $RTime(HH:MM:SS) -00:00"},
        PatternCase{"fixed_binary_bounded", With(Column(0, -2), [](ColumnRule& c) { c.iSize = 16, c.HighRange = "8"; }), "0xX{=16}"},
        PatternCase{"fixed_binary_size", With(Column(0, -2), [](ColumnRule& c) { c.iSize = 16, c.HighRange = "20"; }), "0xX{=32}"},
        PatternCase{"fixed_binary_empty_high", With(Column(0, -2), [](ColumnRule& c) { c.iSize = 16; }), "0xX{=0}"},
        PatternCase{"fixed_binary_huge_size_no_overflow",
                    With(Column(0, -2), [](ColumnRule& c) { c.iSize = 0, c.HighRange = "99999999999999999999"; }),
                    "0xX{=4294967294}"},
        PatternCase{"varbinary_negative_high", With(Column(0, -3), [](ColumnRule& c) { c.iSize = 8, c.HighRange = "-4"; }), "0xX{1:0}"},
        PatternCase{"blob_max_size", With(Column(0, -4), [](ColumnRule& c) { c.HighRange = "9999"; }), "0xX{1:8190}"},
        PatternCase{"string", With(Column(0, 12), [](ColumnRule& c) { c.LowRange = "3", c.HighRange = "9", c.RndSeparators = 7; }),
                    "$RString(3,9,5,3,3)"},
        PatternCase{"linked", With(Column(1, 4), [](ColumnRule& c) { c.Table = "t", c.Column = "id", c.Seqent = 1; }), "$Table(t,id,1)"},
        PatternCase{"list_usage", With(Column(2, 12), [](ColumnRule& c) { c.Values = {"a", "b"}, c.ValueUse = {70, 30}; }),
                    "$List(false,\\a,70,b,30)"},
        PatternCase{"list_usage_missing", With(Column(2, 12), [](ColumnRule& c) { c.Values = {"a", "b"}, c.ValueUse = {70}; }),
                    "$List(true,\\a,b)"},
        PatternCase{"file", With(Column(3, 12), [](ColumnRule& c) { c.FileName = "f.txt"; }), "$File(f.txt,0)"},
        PatternCase{"file_group", With(Column(3, 12), [](ColumnRule& c) { c.FileName = "f", c.groupNo = 2, c.fileSeparator = ";"; }),
                    "$FileGroup(2,1,f,0,0,;)"},
        PatternCase{"ignore_clears_and_never_wraps", With(Column(4, 12), [](ColumnRule& c) { c.Mask = "x", c.Unique = 1; }), ""},
        PatternCase{"library", With(Column(5, 12), [](ColumnRule& c) { c.LibName = "Cities", c.iSize = 30; }), "$Lib(Cities,,30,0)"},
        PatternCase{"inc_number", With(Column(6, 4), [](ColumnRule& c) { c.Start = "10", c.Step = "5", c.Cycle = 4, c.Times = 2; }),
                    "$Inc(10,5,%d,4,2)"},
        PatternCase{"inc_time_hours", With(Column(6, 10), [](ColumnRule& c) { c.incTimeMode = 2; }), "$IncTime(HH:MM:SS,1,1,H)"},
        PatternCase{"inc_date_months", With(Column(6, 9), [](ColumnRule& c) { c.incTimeMode = 4; }), "$IncDate(YYYY-MM-DD,1,1,M)"},
        PatternCase{"inc_date_days", With(Column(6, 91), [](ColumnRule& c) { c.incTimeMode = 3; }), "$IncDate(YYYY-MM-DD,1,1,D)"},
        PatternCase{"pattern_keeps_mask", With(Column(7, 12), [](ColumnRule& c) { c.Mask = "m", c.regexp = "r", c.Unique = 1; }), "m"},
        PatternCase{"regexp", With(Column(7, 12), [](ColumnRule& c) { c.regexp = "[a-z]{3}", c.UseNulls = 50; }),
                    "$Regexp([a-z]{3})"},
        PatternCase{"query", With(Column(8, 4), [](ColumnRule& c) { c.SQL = "select 1"; }), "$Query((select 1),0)"},
        PatternCase{"query_group", With(Column(8, 4), [](ColumnRule& c) { c.SQL = "s", c.groupNo = 3; }), "$QueryGroup(3,(s),0)"},
        PatternCase{"computed_kept_unwrapped", With(Column(9, 4), [](ColumnRule& c) { c.Mask = "$$(1+2)", c.Unique = 1; }), "$$(1+2)"},
        PatternCase{"group_item_without_rule", With(Column(10, 4), [](ColumnRule& c) { c.groupNo = 4; }), "$Group(4,2)"},
        PatternCase{"named", With(Column(12, 4), [](ColumnRule& c) { c.NamedGen = "g", c.SequenceLen = 2; }), "$Seq($Call(g),2)"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(PatternForm, FlatFileVariantUsesNoProgramSettings) {
  ColumnRule date = Column(0, 9);
  date.sFormat.clear();
  ColumnRuleToPattern(date, nullptr, nullptr);
  EXPECT_EQ(date.Mask, "$RDate(,,)");
  EXPECT_EQ(date.sFormat, "");

  ColumnRule stamp = Column(0, 11);
  ColumnRuleToPattern(stamp, nullptr, nullptr);
  EXPECT_EQ(stamp.Mask, "$RDate(DD-MM-YYYY,,).$RTime(HH:MM:SS)");

  ColumnRule blob = Column(0, -4);
  blob.HighRange = "1000";
  ColumnRuleToPattern(blob, nullptr, nullptr);
  EXPECT_EQ(blob.Mask, "0xX{1:510}");

  ColumnRule inc = Column(6, 10);
  ColumnRuleToPattern(inc, nullptr, nullptr);
  EXPECT_EQ(inc.Mask, "$IncTime(,1,1,S)");
}

TEST(PatternForm, ConversionChangesFormatsForGood) {
  PatternSettings settings;
  settings.DateFormat = "DD.MM.YYYY";
  ColumnRule date = Column(0, 9);
  date.sFormat.clear();
  ColumnRuleToPattern(date, nullptr, &settings);
  EXPECT_EQ(date.sFormat, "DD.MM.YYYY");
  ColumnRule money = Column(0, 2);
  ColumnRuleToPattern(money, nullptr, &settings);
  EXPECT_EQ(money.sFormat, "");
  // A second conversion gives the same form: nothing accumulates.
  const std::string first = money.Mask;
  ColumnRuleToPattern(money, nullptr, &settings);
  EXPECT_EQ(money.Mask, first);
}

TEST(PatternForm, KeyGroupListsColumnsOfTheSameTableInOrder) {
  Rule rule;
  for (const char* name : {"a", "b", "c"}) {
    ColumnRule c = Column(1, 4);
    c.Name = name;
    c.Column = std::string("src_") + name;
    c.Table = "parent";
    c.seqFK = 1;
    c.groupNo = 2;
    rule.Fields.push_back(c);
  }
  rule.Fields[1].Table = "other";
  ColumnRuleToPattern(rule.Fields[0], &rule, nullptr);
  ColumnRuleToPattern(rule.Fields[2], &rule, nullptr);
  EXPECT_EQ(rule.Fields[0].Mask, "$TableGroup(2,parent,src_a,src_c,0)");
  EXPECT_EQ(rule.Fields[2].Mask, rule.Fields[0].Mask);
}

TEST(PatternForm, GroupItemPositionCountsItsGroupUpToItself) {
  Rule rule;
  const int groups[] = {1, 2, 1, 1};
  for (int i = 0; i < 4; ++i) {
    ColumnRule c = Column(i == 0 ? 3 : 10, 12);
    c.Name = "c" + std::to_string(i);
    c.groupNo = groups[i];
    rule.Fields.push_back(c);
  }
  ColumnRuleToPattern(rule.Fields[3], &rule, nullptr);
  EXPECT_EQ(rule.Fields[3].Mask, "$Group(1,3)");
  ColumnRuleToPattern(rule.Fields[1], &rule, nullptr);
  EXPECT_EQ(rule.Fields[1].Mask, "$Group(2,1)");
}

}  // namespace

TEST(PatternForm, AValueListsPatternMakesExactlyItsItems) {
  // Items the pattern language would otherwise read as class letters,
  // functions, references, groups, parameter commas or trimmed blanks.
  const std::vector<std::string> items = {"alpha", "a,b", "x)", "(y", " pad ", "back\\slash\\", "$Lib(x)",
                                          "Córdoba", "[opt]", "#1", "@'col'", "<p|q>", "NAX", "end \\"};
  ColumnRule c = Column(2, 12);
  c.Values = items;
  ColumnRuleToPattern(c, nullptr, nullptr);
  PatternEngine::SeedRandom(3);
  PatternEngine engine;
  engine.Init("", 0);
  std::set<std::string> made;
  std::string value;
  for (int row = 0; row < 1000; ++row) {
    ASSERT_EQ(engine.Generate(value, -1, c.Mask), 0) << c.Mask << ": " << engine.ErrorMessage();
    made.insert(value);
    engine.NextRow();
  }
  EXPECT_EQ(made, std::set<std::string>(items.begin(), items.end())) << c.Mask;
}
