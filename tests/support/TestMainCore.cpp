#include "GuardedApplication.h"

#include <gtest/gtest.h>

namespace pellix::test {
void prepareSandbox();
void removeSandbox();
}  // namespace pellix::test

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  pellix::test::prepareSandbox();
  pellix::PellixCoreApplication app(argc, argv);
  const int rc = RUN_ALL_TESTS();
  pellix::test::removeSandbox();
  return rc;
}
