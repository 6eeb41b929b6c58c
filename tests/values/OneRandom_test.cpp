#include "values/OneRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <set>

#include "support/DateTimeScan.h"
#include "values/Random.h"

namespace {

// True when `text` is `prefix` followed by `min`..`max` characters that pass `accept`.
template <typename Accept>
bool Shaped(const std::string& text, std::string_view prefix, std::size_t min, std::size_t max, Accept accept) {
  if (text.compare(0, prefix.size(), prefix) != 0) return false;
  const std::size_t n = text.size() - prefix.size();
  if (n < min || n > max) return false;
  for (std::size_t i = prefix.size(); i < text.size(); ++i) {
    if (!accept(text[i])) return false;
  }
  return true;
}

bool IsUpperHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }
bool IsLowerHexOrDash(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == '-'; }

class OneRandomTest : public ::testing::Test {
 protected:
  void SetUp() override {
    strings_.SeedRandom(2024, StringGenerator::kDefaultCharSet);
    context_.strings = &strings_;
    context_.log = [this](std::string_view message, std::string_view where) {
      logged_.push_back(std::string(where) + ": " + std::string(message));
    };
    context_.variable = [](std::string_view ref) { return ref == "#top" ? std::string("6") : std::string(); };
  }

  RandomColumn Column(int16_t type, const char* low, const char* high, int size = 0, int16_t digits = 0) {
    RandomColumn c;
    c.iType = type;
    c.TypeName = "t";
    c.LowRange = low;
    c.HighRange = high;
    c.iSize = size;
    c.iDigits = digits;
    return c;
  }

  std::string One(const RandomColumn& c, int* flag = nullptr) {
    std::string out;
    const int f = OneRandom(c, out, context_);
    if (flag) *flag = f;
    return out;
  }

  StringGenerator strings_;
  RandomContext context_;
  std::vector<std::string> logged_;
};

struct IntegerCase {
  int16_t type;
  const char* low;
  const char* high;
  long long min, max;
};

class IntegerBounds : public OneRandomTest, public ::testing::WithParamInterface<IntegerCase> {};

TEST_P(IntegerBounds, StayWithinAndReachBothEnds) {
  const IntegerCase& p = GetParam();
  const RandomColumn c = Column(p.type, p.low, p.high);
  std::set<long long> seen;
  for (int i = 0; i < 4000; ++i) {
    const long long v = std::atoll(One(c).c_str());
    ASSERT_GE(v, p.min);
    ASSERT_LE(v, p.max);
    seen.insert(v);
  }
  if (p.max - p.min < 300) {
    EXPECT_TRUE(seen.count(p.min));
    EXPECT_TRUE(seen.count(p.max));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Types, IntegerBounds,
    ::testing::Values(IntegerCase{4, "1", "6", 1, 6}, IntegerCase{4, "10", "10", 10, 10},
                      IntegerCase{4, "", "", 0, 2147450879}, IntegerCase{-7, "0", "0", 0, 1},
                      IntegerCase{-6, "0", "0", 0, 254}, IntegerCase{5, "", "", 0, 32766},
                      IntegerCase{4, "-10", "10", -10, 10}, IntegerCase{4, "20", "5", 5, 20},
                      IntegerCase{4, "#one", "#top", 0, 6}, IntegerCase{-5, "abc", "xyz", 0, 2147450879},
                      IntegerCase{4, "99999999999999999999999", "1", 1, 4000000000000000000LL}));

TEST_F(OneRandomTest, BitGivesBothValues) {
  const RandomColumn c = Column(-7, "", "");
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) seen.insert(One(c));
  EXPECT_EQ((std::set<std::string>{"0", "1"}), seen);
}

TEST_F(OneRandomTest, IntegerFormatsAreCheckedOnce) {
  RandomColumn c = Column(4, "7", "7");
  c.sFormat = "ID%05d";
  EXPECT_EQ("ID00007", One(c));
  c.sFormat = "%s%s%n";
  EXPECT_EQ("7", One(c));
  EXPECT_EQ("7", One(c));
  ASSERT_EQ(1u, logged_.size());
  EXPECT_NE(std::string::npos, logged_[0].find("One Random: Invalid format"));
  c.sFormat = "";
  EXPECT_EQ("7", One(c));
}

TEST_F(OneRandomTest, DecimalPrintsWithColumnWidthAndStaysInBounds) {
  const RandomColumn c = Column(3, "0", "100", 10, 2);
  for (int i = 0; i < 3000; ++i) {
    const std::string v = One(c);
    ASSERT_EQ(12u, v.size()) << v;
    ASSERT_EQ('.', v[9]) << v;
    const double d = std::atof(v.c_str());
    ASSERT_GE(d, 0.0);
    ASSERT_LE(d, 100.0);
  }
  RandomColumn f = Column(8, "1.5", "2.5", 0, 3);
  for (int i = 0; i < 500; ++i) {
    const std::string v = One(f);
    ASSERT_EQ(5u, v.size()) << v;  // "%.3f"
    const double d = std::atof(v.c_str());
    ASSERT_GE(d, 1.5);
    ASSERT_LE(d, 2.5);
  }
}

TEST_F(OneRandomTest, DecimalWithinOneIntegerIsStillDrawn) {
  const RandomColumn c = Column(3, "5.5", "5.9", 10, 2);
  std::set<std::string> seen;
  for (int i = 0; i < 500; ++i) {
    const std::string v = One(c);
    const double d = std::atof(v.c_str());
    ASSERT_GE(d, 5.5);
    ASSERT_LE(d, 5.9);
    seen.insert(v);
  }
  EXPECT_GT(seen.size(), 20u);
}

TEST_F(OneRandomTest, DecimalsCoverTheirBoundsExactly) {
  // Both bounds are reached and nothing falls outside, whatever the signs and
  // fractions of the bounds.
  const struct {
    const char* low;
    const char* high;
    double min, max;
  } cases[] = {{"-1.5", "1.5", -1.5, 1.5}, {"1.5", "3.7", 1.5, 3.7}, {"0.95", "1.05", 0.95, 1.05}};
  for (const auto& bounds : cases) {
    const RandomColumn c = Column(3, bounds.low, bounds.high, 10, 2);
    double lowest = 1e9, highest = -1e9;
    for (int i = 0; i < 3000; ++i) {
      const std::string v = One(c);
      ASSERT_FALSE(v.empty()) << bounds.low;
      const double d = std::atof(v.c_str());
      ASSERT_GE(d, bounds.min - 1e-9) << v;
      ASSERT_LE(d, bounds.max + 1e-9) << v;
      lowest = std::min(lowest, d);
      highest = std::max(highest, d);
    }
    EXPECT_DOUBLE_EQ(bounds.min, lowest) << bounds.low << ".." << bounds.high;
    EXPECT_DOUBLE_EQ(bounds.max, highest) << bounds.low << ".." << bounds.high;
  }
  EXPECT_TRUE(logged_.empty());
}

TEST_F(OneRandomTest, VarcharLengthsSpreadEvenlyOverTheirBounds) {
  const RandomColumn c = Column(12, "5", "20", 50);
  std::map<std::size_t, int> lengths;
  for (int i = 0; i < 4000; ++i) ++lengths[One(c).size()];
  ASSERT_EQ(16u, lengths.size());
  EXPECT_EQ(5u, lengths.begin()->first);
  EXPECT_EQ(20u, lengths.rbegin()->first);
  // 250 each; more than five standard deviations off would be a fault.
  for (const auto& [len, count] : lengths) {
    EXPECT_GT(count, 170) << len;
    EXPECT_LT(count, 330) << len;
  }
}

TEST_F(OneRandomTest, FixedBinaryGuidAndUnsupported) {
  EXPECT_EQ(10u, One(Column(1, "", "10", 10)).size());
  const std::string bin = One(Column(-3, "4", "8", 4));
  EXPECT_TRUE(Shaped(bin, "0x", 4, 8, IsUpperHex)) << bin;
  const std::string guid = One(Column(-11, "", ""));
  EXPECT_TRUE(Shaped(guid, "", 36, 36, IsLowerHexOrDash)) << guid;
  EXPECT_EQ('-', guid[8]);
  EXPECT_EQ('4', guid[14]);
  EXPECT_NE(guid, One(Column(-11, "", "")));
  RandomColumn odd = Column(1234, "", "");
  odd.TypeName = "oddity";
  int flag = -1;
  EXPECT_EQ("", One(odd, &flag));
  EXPECT_EQ(kRandomNull, flag);
  ASSERT_EQ(1u, logged_.size());
  EXPECT_EQ("One Random: <Type 1234 (oddity) is not supported>", logged_[0]);
}

TEST_F(OneRandomTest, LongStringsForOracleAreClobExpressions) {
  int flag = -1;
  context_.serverKind = 0;
  const std::string v = One(Column(-1, "5000", "5000"), &flag);
  EXPECT_EQ(1, flag);
  EXPECT_EQ(0u, v.find("to_clob('"));
  EXPECT_EQ(5000u + 2 * 11 + 4, v.size());
  context_.serverKind = 3;
  EXPECT_EQ(5000u, One(Column(-1, "5000", "5000"), &flag).size());
  EXPECT_EQ(0, flag);
}

TEST_F(OneRandomTest, HostileLengthsAreCapped) {
  // No quoting, so nothing bounded HighRange by the column: capped at its size.
  EXPECT_LE(One(Column(12, "10", "2000000000", 40)).size(), 40u);
  EXPECT_LE(One(Column(12, "3", "0", 0)).size(), static_cast<std::size_t>(kMaxRandomStringLength));
  context_.MaxBlobSize = 100;
  EXPECT_LE(One(Column(-1, "50", "2000000000", 2147483647)).size(), 100u);
  EXPECT_EQ("", One(Column(12, "-5", "-1", 10)));
  // A negative high of a CHAR opens the range; the column size still bounds it.
  EXPECT_EQ(10u, One(Column(1, "", "-7", 10)).size());
}

TEST_F(OneRandomTest, StringFormatsApplyAsText) {
  RandomColumn c = Column(1, "", "3", 3);
  c.sFormat = "<%s>";
  const std::string v = One(c);
  EXPECT_EQ(5u, v.size());
  EXPECT_TRUE(v.front() == '<' && v.back() == '>') << v;
  c.sFormat = "%d";  // the column default means no template for a string
  EXPECT_EQ(3u, One(c).size());
  EXPECT_TRUE(logged_.empty());
}

TEST_F(OneRandomTest, DatesAndTimesStayInBoundsAndAreValid) {
  RandomColumn c = Column(91, "15.01.2000", "20.03.2001");
  c.sFormat = "DD.MM.YYYY";
  for (int i = 0; i < 3000; ++i) {
    const std::string v = One(c);
    int d = 0, m = 0, y = 0;
    ASSERT_EQ(0, DateScanLowLevel(v, d, m, y, 1, "DD.MM.YYYY", 0, 0)) << v;
    ASSERT_TRUE(std::make_tuple(y, m, d) >= std::make_tuple(2000, 1, 15)) << v;
    ASSERT_TRUE(std::make_tuple(y, m, d) <= std::make_tuple(2001, 3, 20)) << v;
  }
  RandomColumn t = Column(92, "09:00 AM", "10:30 AM");
  for (int i = 0; i < 500; ++i) {
    int h = 0, m = 0, s = 0;
    const std::string v = One(t);
    ASSERT_EQ(0, TimeScanLowLevel(v, h, m, s, "HH:MM PM")) << v;
    ASSERT_TRUE(h == 9 || (h == 10 && m <= 30)) << v;
  }
  RandomColumn ts = Column(-155, "", "");
  ts.sFormat = "%d";  // no date tokens: the run's date format
  const std::string v = One(ts);
  int d = 0, m = 0, y = 0, h = 0, mi = 0, s = 0;
  ASSERT_EQ(26u, v.size()) << v;
  EXPECT_EQ(0, DateScanLowLevel(v.substr(0, 10), d, m, y, 1, "YYYY-MM-DD", 0, 0)) << v;
  EXPECT_EQ(0, TimeScanLowLevel(v.substr(11, 8), h, mi, s, "HH:MM PM")) << v;
  EXPECT_EQ(" -00:00", v.substr(19));

  // Timestamps as ODBC 2 (11) and ODBC 3 drivers (93) report them.
  for (int type : {11, 93}) {
    RandomColumn stamp = Column(type, "", "");
    stamp.sFormat = "%d";
    const std::string w = One(stamp);
    EXPECT_EQ(0, DateScanLowLevel(w.substr(0, 10), d, m, y, 1, "YYYY-MM-DD", 0, 0)) << type << ": " << w;
    EXPECT_EQ(0, TimeScanLowLevel(w.substr(11, 8), h, mi, s, "HH:MM PM")) << type << ": " << w;
  }

  // A timestamp's bounds hold its time too: the draw spans the four minutes
  // from the bound before midnight to the one after it.
  RandomColumn span = Column(93, "2020-02-29 11:58 PM", "2020-03-01 12:01 AM");
  span.sFormat = "%d";
  std::set<std::string> seen;
  for (int i = 0; i < 400; ++i) seen.insert(One(span));
  EXPECT_EQ(seen, (std::set<std::string>{"2020-02-29 11:58 PM", "2020-02-29 11:59 PM", "2020-03-01 12:00 AM",
                                          "2020-03-01 12:01 AM"}));
}

TEST_F(OneRandomTest, SameSeedSameValues) {
  const RandomColumn c = Column(12, "1", "30", 30);
  std::vector<std::string> first, second;
  strings_.SeedRandom(77, "");
  for (int i = 0; i < 50; ++i) first.push_back(One(c));
  strings_.SeedRandom(77, "");
  for (int i = 0; i < 50; ++i) second.push_back(One(c));
  EXPECT_EQ(first, second);
}

}  // namespace
