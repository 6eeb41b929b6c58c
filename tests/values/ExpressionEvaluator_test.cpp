#include "values/ExpressionEvaluator.h"

#include <gtest/gtest.h>

#include "tests/values/FakePatternHost.h"

namespace {

class ExpressionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_.patterns["@'Born'"] = {"30.01.2013", "DD.MM.YYYY"};
    host_.patterns["@'Prev'"] = {"30.01.2012", "DD.MM.YYYY"};
    host_.patterns["@'Short'"] = {"28-FEB-13", "DD-MON-YY"};
    host_.patterns["@'At'"] = {"23:59:30", "HH:MM:SS"};
    host_.patterns["@'Leap'"] = {"28.02.2020", "DD.MM.YYYY"};
    host_.patterns["@'Noon'"] = {"11:59 AM", "HH:MI AM"};
    host_.patterns["$Text(abc)"] = {"abc", ""};
    host_.patterns["$Num(x)"] = {"42", ""};
    host_.patterns["$Word()"] = {"Jones", ""};
  }
  std::string Eval(const std::string& expression, int* code = nullptr) {
    std::string out;
    const int c = evaluator_.Evaluate(out, expression, &host_);
    if (code) *code = c;
    return out;
  }
  FakePatternHost host_;
  ExpressionEvaluator evaluator_;
};

struct Case {
  const char* expression;
  const char* result;
};

class ExpressionCases : public ExpressionTest, public ::testing::WithParamInterface<Case> {};

TEST_P(ExpressionCases, Evaluates) {
  int code = -1;
  EXPECT_EQ(GetParam().result, Eval(GetParam().expression, &code)) << GetParam().expression;
  EXPECT_EQ(0, code) << evaluator_.ErrorMessage();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpressionCases,
    ::testing::Values(
        Case{"7/2", "3"}, Case{"7/2.0", "3.5"}, Case{"7/0", "7"}, Case{"7.5/0", "7.5"},
        Case{"1 + 2 * 3", "7"}, Case{"2 * 3 > 5", "1"}, Case{"1 > 0 + 1", "2"}, Case{"(1 + 2) * 3", "9"},
        Case{"10 - 2 - 3", "5"}, Case{"-4 * 2", "-8"}, Case{"-(1 + 2)", "-3"}, Case{"+5", "5"},
        Case{"1.5e2 + 1", "151"}, Case{"2 * 1.5", "3"},
        Case{"'abc' = 'abc'", "1"}, Case{"'b' > 'a'", "1"}, Case{"'a' + 1", "a"}, Case{"'x'", "x"},
        Case{"3 != 3", "0"}, Case{"3 ! 4", "1"}, Case{"3 == 3", "1"}, Case{"2 <= 2", "1"},
        Case{"2 >= 3", "0"}, Case{"2 < 3", "1"}, Case{"1 & 0", "0"}, Case{"1 && 2", "1"},
        Case{"0 | 0", "0"}, Case{"0 || 3", "1"}, Case{"2.5 & 1", "0"},
        Case{"@'Born' + 2", "01.02.2013"}, Case{"2 + @'Born'", "01.02.2013"},
        Case{"@'Born' - @'Prev'", "365"}, Case{"@'Born' - 30", "31.12.2012"},
        Case{"@'Born' + 365", "30.01.2014"}, Case{"@'Short' + 1", "01-MAR-13"},
        Case{"@'Leap' + 1", "29.02.2020"}, Case{"@'Leap' + 366", "28.02.2021"}, Case{"@'Leap' - 365", "28.02.2019"},
        Case{"@'Born' > @'Prev'", "1"}, Case{"@'At' + 40", "00:00:10"}, Case{"@'At' - 86400", "23:59:30"},
        Case{"@'At' - 3600 * 24 - 30", "23:59:00"}, Case{"@'Noon' + 60", "12:00 PM"},
        Case{"@'Noon' + 3600 * 13", "12:59 AM"},
        Case{"$Num(x) * 2", "84"}, Case{"$Text(abc) = 'abc'", "1"}, Case{"$Word() = 'Jones'", "1"},
        // Integers have 64 bits, and numbers compare by value whatever their kinds.
        Case{"2147483647 + 1", "2147483648"}, Case{"(0 - 2147483647 - 1) / -1", "2147483648"},
        Case{"99999999999", "99999999999"}, Case{"9223372036854775807 - 1", "9223372036854775806"},
        Case{"2 < 2.5", "1"}, Case{"3 = 3.0", "1"}, Case{"0 = 0.5", "0"}, Case{"2.5 > 2", "1"},
        Case{"3.0 = 3", "1"}, Case{"2 >= 2.5", "0"}));

TEST_F(ExpressionTest, Errors) {
  int code = 0;
  Eval("(1 + 2", &code);
  EXPECT_EQ(80, code);
  EXPECT_EQ("Expression: factor error: expect ')'", evaluator_.ErrorMessage());
  Eval("1 + * 2", &code);
  EXPECT_EQ(81, code);
  EXPECT_EQ("Expression: Factor error: expect value instead of '*'", evaluator_.ErrorMessage());
  Eval("", &code);
  EXPECT_EQ(81, code);
  EXPECT_EQ("3", Eval("3", &code));
  EXPECT_EQ(0, code);  // the error of an earlier call does not stay
  // An integer beyond 64 bits is an error, not a wrapped value.
  for (const char* overflow : {"9223372036854775807 + 1", "0 - 9223372036854775807 - 2", "9223372036854775807 * 2",
                               "(0 - 9223372036854775807 - 1) / -1", "-(0 - 9223372036854775807 - 1)",
                               "@'Born' + 9223372036854775807"}) {
    Eval(overflow, &code);
    EXPECT_EQ(ExpressionEvaluator::kOverflow, code) << overflow;
    EXPECT_EQ(ExpressionEvaluator::kOverflowMessage, evaluator_.ErrorMessage()) << overflow;
  }
}

TEST_F(ExpressionTest, HostileInputIsBounded) {
  int code = 0;
  Eval(std::string(100000, '('), &code);
  EXPECT_EQ(81, code);
  Eval(std::string(100000, '-') + "1", &code);
  EXPECT_EQ(81, code);
  std::string many = "1";
  for (int i = 0; i < 5000; ++i) many += "+1";
  EXPECT_EQ("5001", Eval(many, &code));
  EXPECT_EQ("x", Eval("'x' + 'unterminated", &code));
  EXPECT_EQ("", Eval("$Missing(", &code));
  ExpressionEvaluator noHost;
  std::string out;
  EXPECT_EQ(0, noHost.Evaluate(out, "$Text(abc) + 1", nullptr));
  EXPECT_EQ("", out);
}

}  // namespace
