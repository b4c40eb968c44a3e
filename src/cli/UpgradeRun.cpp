#include "AfComPort.h"
#include "CliCommands.h"
#include "ErrorReport.h"
#include "GWYKomunikator.h"
#include "GatewaySession.h"
#include "ProgrammerTransfer.h"
#include "Terminal.h"
#include "Wait.h"

#include <QElapsedTimer>
#include <QTimer>

namespace pellix::cli {
namespace {

// Once the gateway's memory is being erased, giving up at the first silence would leave
// it without a program: the transfer repeats what went unanswered, and only a long
// silence ends the run. The restart itself is a silence of some seconds.
constexpr int RunSilenceLimitMs = 20000;
constexpr int RestartSilenceLimitMs = 60000;

}  // namespace

int RunUpgrade(const CliOptions& o) {
  const QString image = o.Args[0];
  TAfComPort port{QStringLiteral("AfComPort1")};
  ComPortLink link(port);
  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  ProgrammerTransfer transfer(link, timer);
  transfer.SlaveAddr = static_cast<uint8_t>(o.Link.Address);

  // The transfer's own messages name what is wrong with the file.
  installPrompts(std::make_unique<CliPrompts>(false, true));
  transfer.LoadFile(image);
  if (transfer.FileLen < 1 || transfer.LoadedFileName != image)
    throw CliError(ExitUsage, QStringLiteral("%1: no firmware image loaded").arg(image));
  if (!ConfirmOverwrite(o.Command, QStringLiteral("Program the device memory?"), o.Yes)) return ExitRefused;
  installPrompts(std::make_unique<CliPrompts>(true));

  const int baud = TGWYKomunikator::BaudRates[static_cast<std::size_t>(o.Link.BaudRateIndex)] * 100;
  const int com = ComNumberFor(o.Link);
  port.SetComNumber(com);
  port.SetUserBaudRate(baud);
  port.SetParity(static_cast<TAfParity>(o.Link.ParityIndex));
  port.SetStopbits(o.Link.StopBitsIndex == 0 ? sbOne : sbTwo);
  timer.setInterval(upgrade::LinkTimerInterval(baud, timer.interval()));
  QString portError;
  pellix::setErrorHandler([&](const std::exception& e) {
    if (portError.isEmpty()) portError = QString::fromUtf8(e.what());
    port.ClosePort();
  });
  struct Restore {
    ~Restore() { pellix::setErrorHandler({}); }
  } restoreHandler;
  OpenPortOf(o.Link, com, [&] { port.OpenPort(); });
  link.PortOpened();
  transfer.PortOpened();

  // Unanswered ticks in a row, and since when the gateway is silent.
  int misses = 0;
  QElapsedTimer silent;
  silent.start();
  ProgressLine progress;
  QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
    transfer.Timer1Timer();
    if (transfer.Display().LinkState == upgrade::LinkOk) {
      misses = 0;
      silent.restart();
    } else if (transfer.Display().LinkState == upgrade::LinkTimeout) {
      ++misses;
    }
  });
  transfer.OnDisplayChanged = [&] {
    const ProgrammerDisplay& d = transfer.Display();
    if (transfer.Busy)
      progress.Show(d.ProgressText, d.ProgressPosition, d.ProgressMaximum);
    else
      progress.Finish();  // before the completed message
  };
  const auto lost = [&] {
    return CliError(ExitNoReply,
                    QStringLiteral("%1: the port was lost%2")
                        .arg(PortNameOf(o.Link),
                             portError.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(portError)));
  };

  // The version poll first: nothing is erased unless the gateway answers.
  timer.start();
  while (transfer.Display().VersionText.isEmpty()) {
    if (!port.IsOpen()) throw lost();
    if (misses >= GatewaySession::TriesInARow)
      throw CliError(ExitNoReply,
                     QStringLiteral("No reply from the gateway (address %1): three tries in a row went "
                                    "unanswered")
                         .arg(o.Link.Address));
    WaitWithMessages(10);
  }
  PrintErr(transfer.Display().VersionText + QLatin1Char('\n'));

  transfer.Button_DelProgMemClick(true);
  while (transfer.Busy) {
    if (!port.IsOpen()) {
      progress.Finish();
      throw lost();
    }
    const int limit = transfer.RestartSent ? RestartSilenceLimitMs : RunSilenceLimitMs;
    if (silent.elapsed() > limit) {
      progress.Finish();
      throw CliError(
          ExitNoReply,
          QStringLiteral("No reply from the gateway for %1 s during the upgrade (%2). Its memory may "
                         "hold part of the image: run the upgrade again.")
              .arg(limit / 1000)
              .arg(transfer.Display().ProgressText));
    }
    WaitWithMessages(10);
  }
  progress.Finish();
  timer.stop();
  // A run the transfer ended itself (the port went away between two looks) is no success.
  if (!port.IsOpen() ||
      !transfer.Display().ProgressText.startsWith(QStringLiteral("Firmware update completed")))
    throw lost();
  port.ClosePort();
  return ExitDone;
}

}  // namespace pellix::cli
