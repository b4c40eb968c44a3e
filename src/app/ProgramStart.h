#pragma once
// The program's start-up sequence, shared by main() and the whole-program benchmarks.
#include <functional>

class TMainForm;

namespace pellix {

// One instance per version, the prompts, the main window with its error report and the
// message loop. `beforeShow` runs once the main window exists, just before it is shown.
int RunPellixTool(int argc, char** argv, const std::function<void(TMainForm&)>& beforeShow = {});

}  // namespace pellix
