// pellix-cli: the gateway from a script. QtCore only: the same engine, files and upgrade
// transfer as the window, without a display.
#include "AfComPort.h"
#include "AppIdentificators.h"
#include "CliCommands.h"
#include "CliOptions.h"
#include "GuardedApplication.h"
#include "Terminal.h"

#include <exception>
#include <memory>

int main(int argc, char** argv) {
  using namespace pellix::cli;
  pellix::PellixCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  CliOptions options;
  try {
    options = ParseCommandLine(args);
    if (options.Help) {
      PrintOut(UsageText());
      return ExitDone;
    }
    if (options.Version) {
      PrintOut(QStringLiteral("pellix-cli %1\n").arg(pellix::VersionText));
      return ExitDone;
    }
    pellix::installPrompts(std::make_unique<CliPrompts>(options.Yes));
    return RunCommand(options);
  } catch (const CliError& e) {
    PrintErr(QStringLiteral("pellix-cli: %1\n").arg(QString::fromUtf8(e.what())));
    if (e.Code == ExitUsage && args.isEmpty()) PrintErr(UsageText());
    return e.Code;
  } catch (const EAfComPortCoreError& e) {
    // The window's own words for a port that cannot be opened.
    PrintErr(PortErrorReport(e, options.Link.Com) + QLatin1Char('\n'));
    return ExitPortError;
  } catch (const EAfComPortError& e) {
    PrintErr(PortErrorReport(e, options.Link.Com) + QLatin1Char('\n'));
    return ExitPortError;
  }
}
