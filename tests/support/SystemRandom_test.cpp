#include "support/SystemRandom.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

TEST(SystemRandom, FillsLargeBuffersWithFreshBytes) {
  std::array<unsigned char, 70000> first{}, second{};
  ASSERT_TRUE(SystemRandomBytes(first.data(), first.size()));
  ASSERT_TRUE(SystemRandomBytes(second.data(), second.size()));
  EXPECT_NE(first, second);
  // Every byte value turns up in 70,000 random bytes.
  std::array<bool, 256> seen{};
  for (unsigned char b : first) seen[b] = true;
  EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](bool s) { return s; }));
  EXPECT_TRUE(SystemRandomBytes(first.data(), 0));
}
