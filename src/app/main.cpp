// Pellix Tool. Its command line only asks for help or the version; everything it
// keeps lives in the settings store.
#include "CommandLine.h"
#include "ProgramStart.h"

#include <iostream>

int main(int argc, char** argv) {
  // Before Qt, the display and the single-instance check: these work from any shell.
  if (const auto exitCode = pellix::HandleCommandLine(argc, argv, std::cout, std::cerr)) return *exitCode;
  return pellix::RunPellixTool(argc, argv);
}
