#pragma once
// The program's command line. --help and --version answer before anything starts (no
// window, no display, no single-instance check); Qt's own options go on to Qt; any
// other argument is a mistake, reported with exit code 2.
#include <optional>
#include <ostream>
#include <span>

namespace pellix {

// The exit code when the program ends here (0 after --help or --version, 2 for a wrong
// command line); nothing when it goes on to start.
std::optional<int> HandleCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

// Qt's own options, which QApplication takes out of the command line (also with "--").
struct QtOption {
  const char* name;
  bool takesValue;  // the next argument; "-name=value" works where Qt allows it
  bool x11Only;     // taken by the X11 platform only
};
std::span<const QtOption> QtOptions();

}  // namespace pellix
