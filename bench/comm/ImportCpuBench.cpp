// CPU of the tool while it imports a 40-channel configuration at 9600 Bd (about 40 s)
// into the simulated gateway, which runs as a separate process so that only the tool's
// own threads are measured.
//
//   build/bench/comm/comm_import_cpu_bench [path/to/pellix-gwsim]
#include "AfComPort.h"
#include "GWYKomunikator.h"
#include "GuardedApplication.h"
#include "ProcessCpu.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>


#include <cstdio>

namespace {

class ConsoleHost : public IImportHost, public IProgressSink {
 public:
  void SetMainWindowEnabled(bool) override {}
  IProgressSink& ProgressDialog() override { return *this; }
  void SetConnectChecked() override {}
  void SetCaption(const QString&) override {}
  void Show() override {}
  void Hide() override {}
  void SetMaximum(int) override {}
  void SetPosition(int p) override { position = p; }
  int Position() const override { return position; }
  void SetText(const QString&) override {}
  void Repaint() override {}
  int position = 0;
};

}  // namespace

int main(int argc, char** argv) {
  pellix::PellixCoreApplication app(argc, argv);
  const QString gwsim = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(PELLIX_GWSIM_PATH);
  QTemporaryDir ports;
  qputenv("PELLIX_PORTS_DIR", ports.path().toLocal8Bit());

  QProcess sim;
  sim.setProcessChannelMode(QProcess::MergedChannels);
  sim.start(gwsim, {QStringLiteral("--com"), QStringLiteral("7")});
  if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
    std::fprintf(stderr, "cannot start %s\n", qPrintable(gwsim));
    return 1;
  }
  std::printf("simulated gateway: %s", sim.readLine().constData());

  TAfComPort port;
  TGWYKomunikator client(port);
  ConsoleHost host;
  client.SetImportHost(&host);
  client.SetBaudRateIndex(TGWYKomunikator::DefaultBaudRateIndex);  // 9600 Bd: poll period 500 ms
  client.Connect(7);

  TDynamicLogArray records;
  for (int c = 1; c <= 40; ++c) {
    TChannelData d{};
    d.ChannelNumber = static_cast<uint8_t>(c);
    d.RomCode = {0x2800, 0x0000, static_cast<uint16_t>(0x1000 + c), 0x00AA};
    records.push_back(d);
  }

  QElapsedTimer wall;
  wall.start();
  const double cpu0 = pellix::bench::processCpuSeconds();
  client.WriteChannelsFromFile(records, QStringLiteral("bench.bin"));  // ends with an information prompt
  const double cpu = pellix::bench::processCpuSeconds() - cpu0;
  const double seconds = wall.elapsed() / 1000.0;
  std::printf("import of 40 channels at 9600 Bd: %.1f s, CPU %.3f s = %.3f %% of one core, %d channels\n",
              seconds, cpu, 100.0 * cpu / seconds, host.position);
  client.Disconnect();
  sim.terminate();
  sim.waitForFinished(5000);
  return 0;
}
