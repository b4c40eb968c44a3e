#pragma once
// The program's start-up sequence, shared by main() and the whole-program benchmarks.
#include <functional>

class TMainForm;

namespace pellix {

// One instance per version, the prompts, the main window with its error report and the
// message loop. `beforeShow` runs once the main window exists, just before it is shown.
int RunPellixTool(int argc, char** argv, const std::function<void(TMainForm&)>& beforeShow = {});

// What the program sets up around its windows: the real prompts, the application's
// title, and that the program ends through the main window only (its close or Exit).
void PrepareWindows();
// The main window owns the prompts that find no window of ours active, and its close
// ends the program.
void AdoptMainWindow(TMainForm& mainForm);

}  // namespace pellix
