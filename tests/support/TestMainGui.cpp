#include "PellixApplication.h"
#include "TestMain.h"

int main(int argc, char** argv) { return pellix::test::runAllTests<pellix::PellixApplication>(argc, argv); }
