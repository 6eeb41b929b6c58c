#include "engine/UniqueSet.h"

#include <gtest/gtest.h>

#include <string>

TEST(UniqueSetTest, CrcIsIeee8023) {
  EXPECT_EQ(UniqueSet::Crc("123456789"), 0xCBF43926u);
  EXPECT_EQ(UniqueSet::Crc(""), 0u);
}

TEST(UniqueSetTest, RejectsRepeatsOnly) {
  UniqueSet set;
  for (int i = 0; i < 100000; ++i) ASSERT_TRUE(set.Insert("'value " + std::to_string(i) + "'"));
  EXPECT_EQ(set.size(), 100000u);
  EXPECT_FALSE(set.Insert("'value 42'"));
  EXPECT_FALSE(set.Insert("'value 99999'"));
  EXPECT_TRUE(set.Insert("'value 100000'"));
}
