#include <gtest/gtest.h>

#include "tests/support/isolated_environment.h"

int main(int argc, char** argv) {
  vorl::test::isolateEnvironment();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
