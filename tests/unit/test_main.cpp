// The unit tests run as a program that loads the library: wired first, like the script host.
#include <gtest/gtest.h>

#include "library/wiring.h"

int main(int argc, char** argv) {
  halvora::wire_library();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
