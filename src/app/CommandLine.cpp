#include "CommandLine.h"

#include "AppIdentificators.h"

#include <cstring>
#include <string_view>

namespace pellix {
namespace {

constexpr QtOption kQtOptions[] = {
    {"-platform", true, false},
    {"-platformpluginpath", true, false},
    {"-platformtheme", true, false},
    {"-plugin", true, false},
    {"-qwindowgeometry", true, false},
    {"-qwindowicon", true, false},
    {"-qwindowtitle", true, false},
    {"-reverse", false, false},
    {"-session", true, false},
    {"-qmljsdebugger", true, false},
    {"-style", true, false},
    {"-stylesheet", true, false},
    {"-widgetcount", false, false},
    {"-testability", false, false},
    {"-display", true, true},
    {"-geometry", true, true},
    {"-title", true, true},
    {"-icon", true, true},
    {"-name", true, true},
    {"-visual", true, true},
    {"-dograb", false, true},
    {"-nograb", false, true},
};
// The options Qt also reads in the form -option=value.
constexpr std::string_view kJoinedForms[] = {"-style=", "-stylesheet=", "-qmljsdebugger="};

constexpr const char* kUsage =
    "Usage: pellix-tool [option]...\n"
    "Configures and monitors a 1-Wire/Modbus RTU gateway over a serial port.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Qt's own options (-platform, -style, -display, -geometry, ...) are passed to Qt.\n"
    "\n"
    "COM n is the entry COM<n> in the ports folder ($PELLIX_PORTS_DIR, else\n"
    "~/.config/Quorvel/Pellix Tool/ports) when there is one, else COM1..32 are\n"
    "/dev/ttyS0..31, COM33..64 /dev/ttyUSB0..31 and COM65..96 /dev/ttyACM0..31.\n"
    "Communication > Assign COM number... links an adapter to a number of your choice.\n"
    "Opening a port needs membership of the device's group (usually dialout).\n"
    "More in pellix-tool(1).\n";

const QtOption* findQtOption(std::string_view arg) {
  // Qt reads "--style" as "-style".
  if (arg.size() > 2 && arg.substr(0, 2) == "--") arg.remove_prefix(1);
  for (const QtOption& o : kQtOptions)
    if (arg == o.name) return &o;
  return nullptr;
}

bool isJoinedQtOption(std::string_view arg) {
  if (arg.size() > 2 && arg.substr(0, 2) == "--") arg.remove_prefix(1);
  for (std::string_view prefix : kJoinedForms)
    if (arg.substr(0, prefix.size()) == prefix) return true;
  return false;
}

int usageError(std::ostream& err, const std::string& what) {
  err << "pellix-tool: " << what << "\nTry 'pellix-tool --help' for more information.\n";
  return 2;
}

}  // namespace

std::span<const QtOption> QtOptions() { return kQtOptions; }

std::optional<int> HandleCommandLine(int argc, const char* const* argv, std::ostream& out,
                                     std::ostream& err) {
  bool help = false;
  bool version = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      help = true;
    } else if (arg == "--version") {
      version = true;
    } else if (const QtOption* qt = findQtOption(arg)) {
      if (qt->takesValue && ++i >= argc)
        return usageError(err, "option '" + std::string(arg) + "' needs a value");
    } else if (isJoinedQtOption(arg)) {
      continue;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return usageError(err, "unknown option '" + std::string(arg) + "'");
    } else {
      return usageError(err, "unexpected argument '" + std::string(arg) + "'; the program takes no files");
    }
  }
  if (help) {
    out << kUsage;
    return 0;
  }
  if (version) {
    out << WindowCaption().toStdString() << '\n';
    return 0;
  }
  return std::nullopt;
}

}  // namespace pellix
