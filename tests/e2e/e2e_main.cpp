// The suite's entry: makes the shell recorder this prefix's handler of
// everything the program may hand to the desktop, then runs the cases.
#include <gtest/gtest.h>

#include "tests/e2e/harness.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  e2e::RegisterShellRecorder();
  return RUN_ALL_TESTS();
}
