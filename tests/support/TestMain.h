#pragma once
// The body of every test executable's main(), for a core or a widget application.
#include <gtest/gtest.h>

namespace pellix::test {

void prepareSandbox();
void removeSandbox();

template <class App>
int runAllTests(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  prepareSandbox();
  int rc = 0;
  {
    App app(argc, argv);
    rc = RUN_ALL_TESTS();
  }
  removeSandbox();
  return rc;
}

}  // namespace pellix::test
