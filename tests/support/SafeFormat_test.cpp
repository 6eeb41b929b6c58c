#include "support/SafeFormat.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

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

// The plain "%d" and "%.Nf" templates skip printf; they must print what it
// prints, for every magnitude, sign, rounding tie and precision.
TEST(SafeFormat, PlainConversionsPrintWhatPrintfPrints) {
  std::mt19937_64 bits(20261209);
  std::vector<double> values = {0.0, -0.0, 0.5, 1.5, 2.5, -2.5, 0.125, 0.375, 1e-320, 1e308, -1e308,
                                9999.995, 0.045, 123456789.125, 2147483647.0, 1.0 / 3.0};
  for (int i = 0; i < 2000; ++i) {
    double v;
    const uint64_t raw = bits();
    std::memcpy(&v, &raw, sizeof v);
    if (std::isfinite(v)) values.push_back(v);
    values.push_back(static_cast<double>(static_cast<int64_t>(bits() % 2000001) - 1000000) / 100.0);
  }
  char expected[4096];
  for (const int precision : {-1, 0, 1, 2, 3, 6, 17, 40}) {
    const std::string width = precision == 2 ? "12" : precision == 3 ? "1" : "";
    const std::string format = "%" + width + (precision < 0 ? "f" : "." + std::to_string(precision) + "lf");
    const SafeFormat prepared(format, SafeFormat::Kind::kFloating);
    ASSERT_TRUE(prepared.ok());
    for (const double v : values) {
      std::string out;
      prepared.Append(out, v);
      std::snprintf(expected, sizeof expected, format.c_str(), v);
      ASSERT_EQ(out, expected) << format << " of " << v;
    }
  }
  const std::pair<const char*, const char*> integers[] = {{"%d", "%lld"},  {"%I64d", "%lld"}, {"%lld", "%lld"},
                                                          {"%i", "%lli"}, {"%5d", "%5lld"},  {"%25lld", "%25lld"}};
  for (const auto& [format, spec] : integers) {
    const SafeFormat prepared(format, SafeFormat::Kind::kInteger);
    for (const long long v : {0LL, -1LL, 42LL, LLONG_MAX, LLONG_MIN}) {
      std::string out;
      prepared.Append(out, v);
      std::snprintf(expected, sizeof expected, spec, v);
      EXPECT_EQ(out, expected) << format;
    }
  }
  // A template refused after a plain conversion prints the default way.
  std::string out;
  SafeFormat("%f%f", SafeFormat::Kind::kFloating).Append(out, 0.5);
  EXPECT_EQ(out, "0.5");
}
