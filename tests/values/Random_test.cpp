#include "values/Random.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<int> Draws(uint32_t seed, int n) {
  SeedRandomSource(seed);
  std::vector<int> v;
  for (int i = 0; i < n; ++i) v.push_back(RandomDraw());
  return v;
}

TEST(RandomSource, SameSeedSameSequenceAndFifteenBits) {
  const auto a = Draws(12345, 1000), b = Draws(12345, 1000), c = Draws(54321, 1000);
  EXPECT_EQ(a, b);
  EXPECT_NE(a, c);
  for (int v : a) {
    EXPECT_GE(v, 0);
    EXPECT_LE(v, 32767);
  }
  // The classic generator: seed 1 starts 16838, 5758, 10113.
  EXPECT_EQ((std::vector<int>{16838, 5758, 10113}), Draws(1, 3));
}

TEST(RandomSource, DrawsStayInTheirRanges) {
  SeedRandomSource(99);
  for (int i = 0; i < 20000; ++i) {
    const int below = RandomBelow(1000);
    EXPECT_TRUE(below >= 0 && below < 1000);
    const int32_t r31 = Random31();
    EXPECT_TRUE(r31 >= 0 && r31 <= 2147450879);
    const int32_t r32 = Random32Below(37);
    EXPECT_TRUE(r32 >= 0 && r32 < 37);
    const int64_t big = Random64Below(int64_t{1} << 40);
    EXPECT_TRUE(big >= 0 && big < (int64_t{1} << 40));
    const int64_t mid = Random64Below(100000);
    EXPECT_TRUE(mid >= 0 && mid < 100000);
  }
  EXPECT_EQ(0, Random32Below(0));
  EXPECT_EQ(0, Random64Below(0));
  EXPECT_EQ(0, Random32Below(-5) < 0);
}

TEST(RandomSource, NormalAndLinearDraws) {
  SeedRandomSource(7);
  double sum = 0;
  int upper = 0;
  constexpr int kN = 20000;
  for (int i = 0; i < kN; ++i) {
    sum += NormalDraw(50, 2);
    const double l = LinearDraw(10, 5);
    EXPECT_GE(l, 10 - 1e-3);
    EXPECT_LE(l, 15 + 1e-3);
    if (l > 12.5) ++upper;
  }
  EXPECT_NEAR(50, sum / kN, 0.2);
  EXPECT_GT(upper, kN * 65 / 100);  // density rises towards the top: about 3/4 above the middle
}

TEST(Characters, AlnumAndHex) {
  EXPECT_EQ('A' + 40 % 26, AlnumChar(40));   // 40 mod 52 >= 36
  EXPECT_EQ('a' + 5, AlnumChar(5));          // 5 mod 36 <= 26
  EXPECT_EQ('0' + 30 % 10, AlnumChar(30));   // 30 mod 36 > 26
  EXPECT_EQ(AlnumChar(65536 + 5), AlnumChar(5));
  SeedRandomSource(3);
  for (int i = 0; i < 2000; ++i) EXPECT_TRUE(std::isxdigit(HexChar()) && !std::islower(HexChar()));
}

TEST(RandomUuid, VersionFourTextsAllDifferentAcrossBlocks) {
  // More than one block of the system's bytes.
  std::set<std::string> seen;
  for (int i = 0; i < 1000; ++i) {
    std::string text = "x";
    ASSERT_TRUE(AppendRandomUuid(text));
    ASSERT_EQ(37u, text.size());
    const std::string_view id = std::string_view(text).substr(1);
    for (std::size_t k = 0; k < id.size(); ++k) {
      if (k == 8 || k == 13 || k == 18 || k == 23) {
        ASSERT_EQ('-', id[k]) << id;
      } else {
        ASSERT_TRUE(std::isdigit(id[k]) || (id[k] >= 'a' && id[k] <= 'f')) << id;
      }
    }
    ASSERT_EQ('4', id[14]) << id;
    ASSERT_NE(std::string_view("89ab").find(id[19]), std::string_view::npos) << id;
    seen.insert(std::string(id));
  }
  EXPECT_EQ(1000u, seen.size());
}

TEST(StringGenerator, TextLengthsCharacterSetAndClobChunks) {
  StringGenerator g;
  g.SeedRandom(5, "");
  std::string out;
  g.RandomText(out, 0, 50, false, false);
  g.RandomText(out, -3, 50, false, false);
  EXPECT_TRUE(out.empty());
  g.RandomText(out, 3000, 100, false, false);
  ASSERT_EQ(3000u, out.size());
  for (char c : out) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << c;

  g.SeedRandom(5, "#");
  out.clear();
  g.RandomText(out, 500, 100, false, false);
  EXPECT_EQ(std::string(500, '#'), out);

  out.clear();
  g.RandomText(out, 5000, 0, false, true);
  ASSERT_EQ(0u, out.find("to_clob('"));
  const auto joint = out.find("') || to_clob('");
  ASSERT_NE(std::string::npos, joint);
  EXPECT_EQ(4000u, joint - 9);
  EXPECT_EQ(1000u, out.size() - (joint + 15) - 2);

  std::string prefixed = "x";
  g.RandomText(prefixed, 4000, 0, false, true);
  EXPECT_EQ(0u, prefixed.find("x || to_clob('"));

  out.clear();
  g.RandomText(out, 3999, 0, false, true);
  EXPECT_EQ(3999u, out.size());

  out.clear();
  g.RandomText(out, StringGenerator::kMaxTextLength + 10, 0, true, false);
  EXPECT_EQ(static_cast<std::size_t>(StringGenerator::kMaxTextLength), out.size());
}

TEST(StringGenerator, SeedZeroUsesTheClock) {
  StringGenerator g;
  EXPECT_FALSE(g.seeded());
  g.SeedRandom(0, StringGenerator::kDefaultCharSet);
  EXPECT_TRUE(g.seeded());
  EXPECT_EQ(' ', g.characterSet()[0]);
}

TEST(RandomFloatInRange, DistributionsStayInBounds) {
  SeedRandomSource(11);
  std::string out;
  for (const char* dist : {"", "Normal", "N", "Linear", "L", "other"}) {
    for (int i = 0; i < 2000; ++i) {
      ASSERT_EQ(0, RandomFloatInRange(out, "10", "20", 2, "%.2f", dist, 3.0));
      const double v = std::atof(out.c_str());
      EXPECT_GE(v, 10.0) << dist;
      EXPECT_LE(v, 20.0) << dist;
    }
  }
  std::string error;
  EXPECT_EQ(1, RandomFloatInRange(out, "0", "1", 2, "%s%n", "", 1, &error));
  EXPECT_FALSE(error.empty());
  // Absurd bounds and decimals give a value, not undefined behaviour.
  EXPECT_EQ(0, RandomFloatInRange(out, "-1e300", "1e300", 400, "%g", "", 1));
  EXPECT_EQ(0, RandomFloatInRange(out, "nan", "x", -4, "%f", "", 1));
}

TEST(UnicodeBlocks, TableRows) {
  const auto& blocks = UnicodeBlocks();
  ASSERT_EQ(17u, blocks.size());
  EXPECT_STREQ("Basic Latin", blocks[0].name);
  EXPECT_EQ(55215, blocks[16].to);
  for (const auto& b : blocks) EXPECT_LT(b.from, b.to);
}

}  // namespace
