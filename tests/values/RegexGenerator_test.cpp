#include "values/RegexGenerator.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "values/Random.h"

namespace {

std::set<std::string> Outputs(const char* expression, int n = 500) {
  RegexGenerator g;
  g.Parse(expression);
  std::set<std::string> seen;
  for (int i = 0; i < n; ++i) seen.insert(g.Generate());
  return seen;
}

class RegexTest : public ::testing::Test {
 protected:
  void SetUp() override { SeedRandomSource(31); }
};

TEST_F(RegexTest, ClassesGroupsAlternativesAndBackReferences) {
  for (const std::string& s : Outputs("[A-C]{3}")) {
    ASSERT_EQ(3u, s.size());
    for (char c : s) ASSERT_TRUE(c >= 'A' && c <= 'C') << s;
  }
  EXPECT_EQ((std::set<std::string>{"a", "b"}), Outputs("a|b"));
  EXPECT_EQ((std::set<std::string>{"xx"}), Outputs("(x)\\1"));
  EXPECT_EQ((std::set<std::string>{"ab", "ac"}), Outputs("^a(b|c)$"));
  EXPECT_EQ((std::set<std::string>{"a|b", "a^"}), Outputs("a\\|b|a\\^"));
  EXPECT_EQ((std::set<std::string>{"x"}), Outputs("x\\5"));  // no such group: nothing
  EXPECT_EQ((std::set<std::string>{"ab"}), Outputs("a[]b"));
  for (const std::string& s : Outputs("\\w\\w\\w.\\d\\s", 2000)) {
    ASSERT_EQ(6u, s.size());
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(s[i] == '_' || std::isupper(s[i]) || std::isdigit(s[i])) << s;
    ASSERT_TRUE(std::isdigit(s[4]));
    ASSERT_TRUE(std::isspace(s[5]));
  }
  for (const std::string& s : Outputs("[z-a\\d]{5}")) {
    for (char c : s) ASSERT_TRUE(std::islower(c) || std::isdigit(c)) << s;
  }
}

TEST_F(RegexTest, BackReferencesSeeOnlyTheGroupsOfTheirOwnValue) {
  // The texts of the groups are kept from value to value for their buffers:
  // a reference before its group, or to a group that did not run this time,
  // must still add nothing.
  EXPECT_EQ((std::set<std::string>{"ab", "cd"}), Outputs("\\1(ab|cd)"));
  EXPECT_EQ((std::set<std::string>{"", "aa"}), Outputs("(a)?\\1"));
  // Groups count in the order they end: the inner two first.
  for (const std::string& s : Outputs("((a|bb)(c|dd))-\\3\\2\\1")) {
    const std::size_t dash = s.find('-');
    ASSERT_NE(std::string::npos, dash) << s;
    const std::string whole = s.substr(0, dash);
    const std::string first = whole[0] == 'a' ? "a" : "bb";
    const std::string second = whole.substr(first.size());
    ASSERT_EQ(whole + second + first, s.substr(dash + 1)) << s;
  }
}

struct RepeatCase {
  const char* expression;
  std::size_t min, max;
};

class RepeatCounts : public RegexTest, public ::testing::WithParamInterface<RepeatCase> {};

TEST_P(RepeatCounts, LengthsCoverTheRange) {
  std::set<std::size_t> lengths;
  for (const std::string& s : Outputs(GetParam().expression, 3000)) lengths.insert(s.size());
  EXPECT_EQ(GetParam().min, *lengths.begin()) << GetParam().expression;
  EXPECT_EQ(GetParam().max, *lengths.rbegin()) << GetParam().expression;
}

INSTANTIATE_TEST_SUITE_P(Table, RepeatCounts,
                         ::testing::Values(RepeatCase{"a{3}", 3, 3}, RepeatCase{"a{2,5}", 2, 4},
                                           RepeatCase{"a{2,}", 2, 9}, RepeatCase{"ba{,3}", 1, 3},
                                           RepeatCase{"a?", 0, 1}, RepeatCase{"a+", 1, 7},
                                           RepeatCase{"a*", 0, 7}, RepeatCase{"a\\*", 0, 7},
                                           RepeatCase{"{3}a", 1, 1}, RepeatCase{"*a", 2, 2},
                                           RepeatCase{"a{x}", 4, 4}, RepeatCase{"a{0}", 1, 1},
                                           RepeatCase{"(ab){2}", 4, 4}, RepeatCase{"a{2}{3}", 2, 2}));

TEST_F(RegexTest, HostileExpressionsAreBounded) {
  RegexGenerator g;
  g.Parse("a{999999999}");
  EXPECT_EQ(static_cast<std::size_t>(RegexGenerator::kMaxRepeat), g.Generate().size());
  g.Parse("((((a{1000}){1000}){1000}){1000})");
  EXPECT_LE(g.Generate().size(), RegexGenerator::kMaxOutput + 1);
  g.Parse("(((((){1000}){1000}){1000}){1000}){1000}");
  EXPECT_EQ("", g.Generate());
  g.Parse(std::string(100000, '('));  // deeper than kMaxDepth: literal parentheses, cut at kMaxOutput
  const std::string deep = g.Generate();
  EXPECT_EQ(RegexGenerator::kMaxOutput, deep.size());
  EXPECT_EQ(std::string::npos, deep.find_first_not_of('('));
  EXPECT_EQ(1, g.Parse("[abc"));  // reported, but still generates from the class
  EXPECT_EQ("'[' at position 1 is not closed", g.Error());
  EXPECT_EQ(1u, g.Generate().size());
  g.Parse("\\");
  EXPECT_EQ("\\", g.Generate());
  std::string out = "keep";
  EXPECT_EQ(0, g.Parse("x"));
  EXPECT_EQ("", g.Error());
  g.Generate(out);
  EXPECT_EQ("keepx", out);
}

TEST_F(RegexTest, BackReferencesAreBounded) {
  const auto tenTimes = [](int group) {
    std::string refs;
    for (int i = 0; i < 10; ++i) refs += "\\" + std::to_string(group);
    return "(" + refs + ")";
  };
  // Each group holds its predecessor ten times: 10^6 characters unbounded.
  RegexGenerator g;
  g.Parse("(a{1000})" + tenTimes(1) + tenTimes(2) + tenTimes(3));
  EXPECT_EQ(RegexGenerator::kMaxOutput, g.Generate().size());
  std::string out = "keep";
  g.Generate(out);
  EXPECT_EQ(RegexGenerator::kMaxOutput + 4, out.size());
  // A value that ends in a reference stops at the bound too.
  g.Parse("(a{1000}){65}\\1");
  EXPECT_EQ(RegexGenerator::kMaxOutput, g.Generate().size());
}

TEST_F(RegexTest, OnlyTheFirstNineGroupsAreKept) {
  EXPECT_EQ((std::set<std::string>{"abcdefghijia"}), Outputs("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)\\9\\1"));
  // Runs of a group beyond the ninth leave the first ones to refer to.
  EXPECT_EQ((std::set<std::string>{std::string(20, 'a') + "ba"}), Outputs("(a){20}(b)\\1", 10));
}

TEST_F(RegexTest, WorkIsBoundedAlsoWhereAlternativesArePassedOver) {
  // 10^6 runs of a group that writes nothing and mostly passes over the 40000
  // empty classes of its last alternative.
  std::string classes;
  for (int i = 0; i < 40000; ++i) classes += "[]";
  RegexGenerator g;
  g.Parse("((" + std::string(999, '|') + classes + "){1000}){1000}");
  EXPECT_EQ("", g.Generate());
  // Unclosed repeat braces are literals, read in one pass.
  g.Parse(std::string(200000, '{') + "}");
  const std::string braces = g.Generate();
  EXPECT_EQ(RegexGenerator::kMaxOutput, braces.size());
  EXPECT_EQ(std::string::npos, braces.find_first_not_of('{'));
}

}  // namespace
