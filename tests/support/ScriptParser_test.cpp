#include "support/ScriptParser.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct SplitCase {
  const char* name;
  std::string script;
  std::vector<std::string> statements;
  int flag = 0;
};

class ScriptSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ScriptSplit, Statements) {
  const SplitCase& c = GetParam();
  CParse parser;
  EXPECT_EQ(parser.Parse(c.script, c.flag), static_cast<int>(c.statements.size()));
  EXPECT_EQ(parser.Statements(), c.statements);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptSplit,
    ::testing::Values(
        SplitCase{"Empty", "", {}},
        SplitCase{"OnlyBlanksAndSemicolons", " ;\n;\t; ", {}},
        SplitCase{"Semicolons", "create table t(a int);insert into t values(1) ; ",
                  {"create table t(a int)", "insert into t values(1)"}},
        SplitCase{"NoTrailingSemicolon", "select 1", {"select 1"}},
        SplitCase{"GoLines", "select 1\ngo\nselect 2\n  GO  \r\nselect 3\nGo", {"select 1", "select 2", "select 3"}},
        SplitCase{"GoInsideALineIsText", "select go\nfrom x go\n", {"select go\nfrom x go"}},
        SplitCase{"GoPrefixIsText", "select 1\ngone\n", {"select 1\ngone"}},
        SplitCase{"SemicolonInString", "insert into t values('a;b');select 2", {"insert into t values('a;b')", "select 2"}},
        SplitCase{"DoubledQuoteInString", "select 'it''s; here';x", {"select 'it''s; here'", "x"}},
        SplitCase{"GoLineInString", "select 'a\ngo\nb';", {"select 'a\ngo\nb'"}},
        SplitCase{"QuotedIdentifier", "select \"a;b\" from t;", {"select \"a;b\" from t"}},
        SplitCase{"BacktickIdentifier", "select `a;b` from t;", {"select `a;b` from t"}},
        SplitCase{"LineComment", "select 1 -- not; split\n;select 2", {"select 1 -- not; split", "select 2"}},
        SplitCase{"BlockComment", "select /* a; \ngo\n */ 1;", {"select /* a; \ngo\n */ 1"}},
        SplitCase{"CommentOnlyStatementDropped", "select 1;\n-- trailing note\n/* more */", {"select 1"}},
        SplitCase{"QuoteInsideComment", "-- don't\nselect 1;", {"-- don't\nselect 1"}},
        SplitCase{"UnterminatedString", "select 'abc;\ngo\n", {"select 'abc;\ngo"}},
        SplitCase{"UnterminatedComment", "select 1; /* open;", {"select 1"}},
        SplitCase{"GoOnlyFlagKeepsBodies", "begin x := 1; y := 2; end;\ngo\nselect 1", {"begin x := 1; y := 2; end;", "select 1"}, CParse::kGoOnly}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptSplitReuse, SecondParseReplacesStatements) {
  CParse parser;
  parser.Parse("a;b;c");
  EXPECT_EQ(parser.Parse("d"), 1);
  EXPECT_EQ(parser.Statements(), std::vector<std::string>{"d"});
}

TEST(NeedQuote, Table) {
  struct {
    const char* name;
    bool need;
  } cases[] = {{"Orders", false}, {"order_2", false}, {"_x", false}, {"", true},   {"2nd", true},
               {"my table", true}, {"a-b", true},    {"\xC3\xA4", true}, {"a.b", true}, {"\"q\"", true}};
  for (const auto& c : cases) EXPECT_EQ(CParse::NeedQuote(c.name), c.need) << c.name;
}

}  // namespace
