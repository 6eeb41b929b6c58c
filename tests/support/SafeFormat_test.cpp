#include "support/SafeFormat.h"

#include <gtest/gtest.h>

namespace {

using Kind = SafeFormat::Kind;

struct IntCase {
  const char* format;
  long long value;
  const char* expected;
  bool ok;
};

class IntegerFormats : public ::testing::TestWithParam<IntCase> {};

TEST_P(IntegerFormats, PrintsOrFallsBack) {
  const IntCase& c = GetParam();
  const SafeFormat f(c.format, Kind::kInteger);
  EXPECT_EQ(c.ok, f.ok()) << c.format << " " << f.Error();
  std::string out = "<";
  f.Append(out, c.value);
  EXPECT_EQ(std::string("<") + c.expected, out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, IntegerFormats,
    ::testing::Values(IntCase{"%d", 42, "42", true}, IntCase{"ID-%05d%%", 42, "ID-00042%", true},
                      IntCase{"%I64d", 5000000000LL, "5000000000", true},
                      IntCase{"%I64i", -7, "-7", true}, IntCase{"%-4d|", 7, "7   |", true},
                      IntCase{"%#x", 255, "0xff", true}, IntCase{"%hd", 70000, "70000", true},
                      IntCase{"%s%s", 3, "3", false}, IntCase{"%n", 3, "3", false},
                      IntCase{"%*d", 3, "3", false}, IntCase{"%.*d", 3, "3", false},
                      IntCase{"%", 3, "3", false}, IntCase{"abc %", 3, "3", false},
                      IntCase{"%d %d", 3, "3", false}, IntCase{"%f", 3, "3", false},
                      IntCase{"%999999999d", 3, "3", false}, IntCase{"%1$d", 3, "3", false},
                      IntCase{"%c", 65, "65", false}, IntCase{"no conversion", 3, "3", false},
                      IntCase{"%#d", 3, "3", false}));

TEST(SafeFormat, FloatingAndTextConversions) {
  std::string out;
  SafeFormat f("%12.2f", Kind::kFloating);
  ASSERT_TRUE(f.ok());
  f.Append(out, 3.14159);
  EXPECT_EQ("        3.14", out);

  out.clear();
  SafeFormat t("[%-6.3s]", Kind::kText);
  ASSERT_TRUE(t.ok());
  t.Append(out, std::string_view("abcdef"));
  EXPECT_EQ("[abc   ]", out);

  out.clear();
  SafeFormat bad("%d", Kind::kText);
  EXPECT_FALSE(bad.ok());
  bad.Append(out, std::string_view("text"));
  EXPECT_EQ("text", out);

  out.clear();
  SafeFormat fbad("%d", Kind::kFloating);
  EXPECT_FALSE(fbad.ok());
  fbad.Append(out, 2.5);
  EXPECT_EQ("2.5", out);
}

TEST(SafeFormat, HugeFormatsAreBounded) {
  std::string huge(10000, 'x');
  huge += "%d";
  SafeFormat f(huge, Kind::kInteger);
  EXPECT_FALSE(f.ok());
  EXPECT_LT(f.Error().size(), 200u);
  std::string out;
  f.Append(out, 1LL);
  EXPECT_EQ("1", out);

  SafeFormat widest("%4096.4096f", Kind::kFloating);
  ASSERT_TRUE(widest.ok());
  out.clear();
  widest.Append(out, 1e300);
  EXPECT_GT(out.size(), 4096u);
  EXPECT_LT(out.size(), 4096u + 400u);

  SafeFormat digits("%" + std::string(9000, '9') + "d", Kind::kInteger);
  EXPECT_FALSE(digits.ok());
}

TEST(SafeFormat, RepreparingResetsState) {
  SafeFormat f("%s%s", Kind::kInteger);
  EXPECT_FALSE(f.ok());
  EXPECT_EQ(0, f.Prepare("<%d>", Kind::kInteger));
  EXPECT_TRUE(f.ok());
  std::string out;
  f.Append(out, 9LL);
  EXPECT_EQ("<9>", out);
}

}  // namespace
