// The real program, measured from outside and inside:
//   ui_program_bench startup            prints "shown" once the main window has painted, then ends
//   ui_program_bench connect N SECONDS  connects to COM N at 115.2 kBd (300 ms poll) and every
//                                       30 s prints CPU use of the last interval, RSS and counters
#include "AfPortComboBox.h"
#include "Main.h"
#include "ProcessCpu.h"
#include "ProgramStart.h"
#include "uFrame_Komunikace.h"
#include "uFrame_Pocitadlo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTimer>


#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Ends the run at the main window's first paint.
class FirstPaint : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint && !done_) {
      done_ = true;
      QTimer::singleShot(0, [] {
        std::printf("shown\n");
        std::fflush(stdout);
        QCoreApplication::exit(0);
      });
    }
    return false;
  }

 private:
  bool done_ = false;
};

long rssKiB() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "startup") == 0) {
    FirstPaint filter;
    return pellix::RunPellixTool(argc, argv, [&](TMainForm& f) { f.installEventFilter(&filter); });
  }
  if (argc >= 4 && std::strcmp(argv[1], "connect") == 0) {
    const int com = std::atoi(argv[2]);
    const int seconds = std::atoi(argv[3]);
    QElapsedTimer clock;
    double lastCpu = 0;
    qint64 lastMs = 0;
    return pellix::RunPellixTool(argc, argv, [&](TMainForm& f) {
      TFrame_Komunikace* k = f.Frame_Komunikace1;
      k->AfPortComboBox1->RefreshPorts();
      k->AfPortComboBox1->SetSelectedComNumber(com);
      k->ComboBox_BaudRate->setCurrentIndex(13);
      QTimer::singleShot(0, &f, [&f, k, &clock, &lastCpu, &lastMs, seconds] {
        k->CheckBox_Connect->setChecked(true);
        clock.start();
        lastCpu = pellix::bench::processCpuSeconds();
        auto* sample = new QTimer(&f);
        QObject::connect(sample, &QTimer::timeout, &f, [&, k, seconds] {
          const qint64 ms = clock.elapsed();
          const double cpu = pellix::bench::processCpuSeconds();
          std::printf("t=%3llds cpu=%.2f%% rss=%ldKiB %s %s %s connected=%d\n",
                      static_cast<long long>(ms / 1000),
                      100.0 * (cpu - lastCpu) * 1000.0 / double(ms - lastMs), rssKiB(),
                      qPrintable(k->Frame_Pocitadlo1->Label_Tx->text()),
                      qPrintable(k->Frame_Pocitadlo1->Label_Rx->text()),
                      qPrintable(k->Frame_Pocitadlo1->Label_Error->text()), k->IsConnected() ? 1 : 0);
          std::fflush(stdout);
          lastCpu = cpu;
          lastMs = ms;
          if (ms >= seconds * 1000LL) QCoreApplication::exit(0);
        });
        sample->start(30000);
      });
    });
  }
  std::fprintf(stderr, "usage: ui_program_bench startup | connect COM SECONDS\n");
  return 2;
}
