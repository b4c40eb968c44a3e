// Pellix Tool: takes no arguments; everything it keeps lives in the settings store.
#include "ProgramStart.h"

int main(int argc, char** argv) { return pellix::RunPellixTool(argc, argv); }
