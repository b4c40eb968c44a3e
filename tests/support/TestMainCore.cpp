#include "GuardedApplication.h"
#include "TestMain.h"

int main(int argc, char** argv) {
  return pellix::test::runAllTests<pellix::PellixCoreApplication>(argc, argv);
}
