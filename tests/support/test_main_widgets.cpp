// For tests of widgets: an offscreen QApplication for the whole program.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

#include "tests/support/isolated_environment.h"

int main(int argc, char** argv) {
  vorl::test::isolateEnvironment();
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
