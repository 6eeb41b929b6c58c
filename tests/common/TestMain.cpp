// main of the GoogleTest programs: the tests run in a private environment.
#include <gtest/gtest.h>

#include "tests/common/TestEnv.h"

int main(int argc, char** argv) {
  testenv::UsePrivateEnvironment();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
