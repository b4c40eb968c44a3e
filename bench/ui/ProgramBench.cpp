// The real program, measured from outside and inside:
//   ui_program_bench startup            prints "shown" once the main window has painted, then ends
//   ui_program_bench connect N SECONDS  connects to COM N at 115.2 kBd (300 ms poll) and every
//                                       30 s prints CPU use of the last interval, RSS and counters
//   ui_program_bench poll N [PROBE]     connects the same way (but with two stop bits) and polls
//                                       until SIGTERM, then prints the counters; with PROBE it
//                                       writes there what the window did, one line per happening:
//                                       "L|P <ns> <class> <name>" a layout request or paint event,
//                                       "D <ns>" a polled block dispatched to the views,
//                                       "R <ns>" the window repainted after it and the GUI thread idle
//                                       (times of CLOCK_MONOTONIC)
//   PELLIX_BENCH_OPEN=monitor|trend|monitor,trend opens those windows once connected (poll),
//   so that compare-mbpoll.sh measures what they cost
#include "AfPortComboBox.h"
#include "Main.h"
#include "ProcessCpu.h"
#include "ProgramStart.h"
#include "uFrame_Komunikace.h"
#include "uFrame_Pocitadlo.h"

#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

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

// Records layout requests, paints and the moment each dispatched block is on screen. The
// records stay in memory until the end, so the run pays no file writes for them.
class Probe : public QObject {
 public:
  Probe() { records_.reserve(1 << 18); }

  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::LayoutRequest) {
      add('L', o);
    } else if (e->type() == QEvent::Paint) {
      add('P', o);
      painted_ = true;
    }
    return false;
  }
  void Dispatched() {
    add('D', nullptr);
    dispatched_ = true;
    painted_ = false;
  }
  // The event loop is about to sleep: whatever the block changed has been painted and flushed.
  void AboutToBlock() {
    if (!dispatched_ || !painted_) return;
    add('R', nullptr);
    dispatched_ = false;
  }
  bool Write(const char* path) const {
    FILE* f = std::fopen(path, "w");
    if (!f) return false;
    for (const Record& r : records_)
      std::fprintf(f, "%c %lld %s %s\n", r.kind, r.ns, r.className ? r.className : "-",
                   r.name.isEmpty() ? "-" : qPrintable(r.name));
    return std::fclose(f) == 0;
  }

 private:
  struct Record {
    char kind;
    long long ns;
    const char* className;
    QString name;
  };
  void add(char kind, QObject* o) {
    const long long ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
    records_.push_back(
        {kind, ns, o ? o->metaObject()->className() : nullptr, o ? o->objectName() : QString()});
  }

  std::vector<Record> records_;
  bool dispatched_ = false;
  bool painted_ = false;
};

// Selects COM `com` at 115.2 kBd and connects once the event loop runs. With `twoStopBits`
// the USB preset is off, so that a few late replies on a busy machine do not disconnect.
void connectAtUsbRate(TMainForm& f, int com, const std::function<void()>& connected,
                      bool twoStopBits = false) {
  TFrame_Komunikace* k = f.Frame_Komunikace1;
  k->AfPortComboBox1->RefreshPorts();
  k->AfPortComboBox1->SetSelectedComNumber(com);
  k->ComboBox_BaudRate->setCurrentIndex(13);
  if (twoStopBits) k->Cb_Stopbit->setCurrentIndex(1);
  QTimer::singleShot(0, &f, [k, connected] {
    k->CheckBox_Connect->setChecked(true);
    connected();
  });
}

// Ends the event loop when `signal` arrives (through a pipe: a handler may do little else).
int g_quitPipe[2] = {-1, -1};
void QuitOnSignal(int signal) {
  if (::pipe(g_quitPipe) != 0) std::abort();
  struct sigaction action {};
  action.sa_handler = [](int) {
    const char c = 0;
    [[maybe_unused]] ssize_t n = ::write(g_quitPipe[1], &c, 1);
  };
  sigaction(signal, &action, nullptr);
  auto* notifier = new QSocketNotifier(g_quitPipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] { QCoreApplication::exit(0); });
}

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
      connectAtUsbRate(f, com, [&f, k, &clock, &lastCpu, &lastMs, seconds] {
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
  if (argc >= 3 && std::strcmp(argv[1], "poll") == 0) {
    const int com = std::atoi(argv[2]);
    const char* probePath = argc >= 4 ? argv[3] : nullptr;
    Probe probe;
    const int rc = pellix::RunPellixTool(argc, argv, [&](TMainForm& f) {
      if (probePath) {
        qApp->installEventFilter(&probe);
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                         &probe, [&probe] { probe.AboutToBlock(); });
        auto dispatch = f.GWYKomunikator->OnRegisters;
        f.GWYKomunikator->OnRegisters = [dispatch, &probe] {
          dispatch();
          probe.Dispatched();
        };
      }
      const QByteArray open = qgetenv("PELLIX_BENCH_OPEN");
      connectAtUsbRate(
          f, com,
          [&f, open] {
            if (open.contains("monitor")) f.TrafficMonitor1Click();
            if (open.contains("trend")) f.TrendChart1Click();
          },
          true);
      QuitOnSignal(SIGTERM);
      QObject::connect(qApp, &QCoreApplication::aboutToQuit, &f, [k = f.Frame_Komunikace1] {
        std::printf("%s %s %s connected=%d\n", qPrintable(k->Frame_Pocitadlo1->Label_Tx->text()),
                    qPrintable(k->Frame_Pocitadlo1->Label_Rx->text()),
                    qPrintable(k->Frame_Pocitadlo1->Label_Error->text()), k->IsConnected() ? 1 : 0);
        std::fflush(stdout);
      });
    });
    if (probePath && !probe.Write(probePath)) return 1;
    return rc;
  }
  std::fprintf(stderr, "usage: ui_program_bench startup | connect COM SECONDS | poll COM [PROBE]\n");
  return 2;
}
