// The stored forms of computed and custom-generator columns read back.
#include <gtest/gtest.h>

#include "quarnel/StoredPatterns.h"

TEST(StoredPatterns, ComputedExpressionRoundTrips) {
  for (const std::string expression : {"", "1 + 2", "@'price' * (1 + 0.2)", "f(a,(b))"}) {
    std::string back = "x";
    ASSERT_TRUE(ComputedExpression(ComputedPattern(expression), &back));
    EXPECT_EQ(back, expression);
  }
  std::string untouched = "keep";
  EXPECT_FALSE(ComputedExpression("NNN", &untouched));
  EXPECT_FALSE(ComputedExpression("$$(", &untouched));
  EXPECT_FALSE(ComputedExpression("$$(1+2", &untouched));
  EXPECT_EQ(untouched, "keep");
}

TEST(StoredPatterns, CustomGeneratorSplitsAtFirstComma) {
  EXPECT_EQ(CustomGeneratorPattern("gen.so", ""), "$DLL(gen.so)");
  EXPECT_EQ(CustomGeneratorPattern("/opt/gen.so", "a,b"), "$DLL(/opt/gen.so,a,b)");
  std::string library, parameters;
  ASSERT_TRUE(CustomGeneratorParts("$DLL(/opt/gen.so,a,b)", &library, &parameters));
  EXPECT_EQ(library, "/opt/gen.so");
  EXPECT_EQ(parameters, "a,b");
  ASSERT_TRUE(CustomGeneratorParts("$DLL(gen.so)", &library, &parameters));
  EXPECT_EQ(library, "gen.so");
  EXPECT_EQ(parameters, "");
  EXPECT_FALSE(CustomGeneratorParts("$Dll(gen.so)", &library, &parameters));
  EXPECT_FALSE(CustomGeneratorParts("$DLL(", &library, &parameters));
}
