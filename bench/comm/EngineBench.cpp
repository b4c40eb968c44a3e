// Whole-engine measurements over ptys:
//  latency  - last byte of a 205-byte reply written on the far side -> OnRegisters running;
//  cpu      - CPU of this process (master, port and its threads) while polling a libmodbus
//             slave (another process) at a fixed period, side by side with mbpoll doing the
//             same against its own slave on its own pty.
// Usage: comm_engine_bench [--latency N] [--seconds S] [--period MS] [--alone] [--observer]
//   --alone     measures the engine without mbpoll beside it (compare-mbpoll.sh runs mbpoll
//               on its own, interleaved with this)
//   --observer  the traffic monitor's log listens to the engine, as while its window is open
#include "ModbusKomunikator.h"
#include "ModbusReplies.h"
#include "PtyLink.h"
#include "TrafficLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <modbus/modbus.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

// Counts heap allocations, to show the engine makes none per request or reply.
// Per thread: the port's own threads allocate for their hand-overs, which is not the engine.
static thread_local long g_allocations = 0;
void* operator new(std::size_t n) {
  ++g_allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

using pellix::test::Bytes;
using pellix::test::PtyLink;
using Clock = std::chrono::steady_clock;

namespace {

class BenchMaster : public TModbusKomunikator {
 public:
  using TModbusKomunikator::TModbusKomunikator;
  void HoldTimer() { Timer.stop(); }
};

volatile sig_atomic_t g_stop = 0;

// A libmodbus slave serving the model registers on fd until SIGTERM; then it writes the
// number of requests it answered to reportFd.
[[noreturn]] void serve(int fd, int reportFd) {
  signal(SIGTERM, [](int) { g_stop = 1; });
  modbus_t* ctx = modbus_new_rtu("/dev/null", 115200, 'N', 8, 1);
  modbus_mapping_t* map = modbus_mapping_new(0, 0, 1300, 0);
  modbus_set_slave(ctx, 1);
  modbus_set_socket(ctx, fd);
  for (int a = 0; a < 1300; ++a)
    map->tab_registers[a] = pellix::test::modelRegister(static_cast<uint16_t>(a));
  uint8_t q[MODBUS_RTU_MAX_ADU_LENGTH];
  long answered = 0;
  while (!g_stop) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0 || !(p.revents & POLLIN)) continue;
    const int rc = modbus_receive(ctx, q);
    if (rc > 0 && modbus_reply(ctx, q, rc, map) > 0) ++answered;
  }
  if (::write(reportFd, &answered, sizeof answered) < 0) _exit(1);
  _exit(0);
}

struct Child {
  pid_t pid = -1;
  int report = -1;
};

Child forkSlave(int fd) {
  int p[2];
  if (pipe(p) != 0) std::abort();
  const pid_t pid = fork();
  if (pid == 0) {
    ::close(p[0]);
    serve(fd, p[1]);
  }
  ::close(p[1]);
  return {pid, p[0]};
}

long stopSlave(const Child& c) {
  kill(c.pid, SIGTERM);
  long answered = -1;
  if (::read(c.report, &answered, sizeof answered) != sizeof answered) answered = -1;
  waitpid(c.pid, nullptr, 0);
  return answered;
}

double cpuSeconds(const rusage& r) {
  return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
         static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// Nanoseconds on CPU, from the scheduler's own accounting (finer than rusage ticks).
long long schedNs(const std::string& schedstatPath) {
  FILE* f = std::fopen(schedstatPath.c_str(), "r");
  if (!f) return -1;
  long long ns = -1;
  if (std::fscanf(f, "%lld", &ns) != 1) ns = -1;
  std::fclose(f);
  return ns;
}

// Voluntary context switches (wake-ups) of a task so far.
long long wakeUps(const std::string& statusPath) {
  FILE* f = std::fopen(statusPath.c_str(), "r");
  if (!f) return -1;
  char line[256];
  long long n = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "voluntary_ctxt_switches: %lld", &n) == 1) break;
  std::fclose(f);
  return n;
}

struct ThreadCpu {
  std::string name;
  long long ns;
  long long wakeUps;
};

// Every thread of this process with its CPU time so far.
std::vector<ThreadCpu> threadsCpu() {
  std::vector<ThreadCpu> out;
  const QStringList tids = QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& tid : tids) {
    const std::string base = "/proc/self/task/" + tid.toStdString();
    std::string name = tid.toStdString();
    if (FILE* f = std::fopen((base + "/comm").c_str(), "r")) {
      char buf[64] = {};
      if (std::fgets(buf, sizeof buf, f)) name += std::string(":") + std::strtok(buf, "\n");
      std::fclose(f);
    }
    out.push_back({name, schedNs(base + "/schedstat"), wakeUps(base + "/status")});
  }
  return out;
}

double percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const std::size_t i =
      std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5));
  return v[i];
}

void latency(int rounds) {
  PtyLink link(5);
  TAfComPort port;
  BenchMaster master(port);
  master.Connect(5);
  master.HoldTimer();
  QEventLoop loop;
  Clock::time_point delivered;
  bool got = false;
  master.OnRegisters = [&] {
    delivered = Clock::now();
    got = true;
    loop.quit();
  };
  // Allocations inside the engine's two entry points only (the port's hand-over is not ours).
  long tickAllocations = 0, replyAllocations = 0;
  port.OnDataRecived = [&](TAfCustomSerialPort* sender, int count) {
    const long before = g_allocations;
    master.DataReceived(sender, count);
    replyAllocations += g_allocations - before;
  };
  std::vector<double> ms;
  ms.reserve(static_cast<std::size_t>(rounds));
  for (int i = 0; i < rounds; ++i) {
    const long before = g_allocations;
    master.TimerTick();
    tickAllocations += g_allocations - before;
    const Bytes req = link.read(8, 2000);
    if (req.size() != 8) {
      std::fprintf(stderr, "no request\n");
      std::exit(1);
    }
    const uint16_t start = static_cast<uint16_t>(req[2] << 8 | req[3]);
    const Bytes reply = pellix::test::readReply(1, start);
    link.write(Bytes(reply.begin(), reply.end() - 1));
    // Let the partial reply be seen and ignored first.
    while (port.BytesWaiting() < 204) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QCoreApplication::processEvents();
    got = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(2000);
    const auto written = Clock::now();
    link.write(Bytes(reply.end() - 1, reply.end()));
    loop.exec();
    if (!got) {
      std::fprintf(stderr, "reply %d not delivered\n", i);
      std::exit(1);
    }
    ms.push_back(std::chrono::duration<double, std::milli>(delivered - written).count());
  }
  master.Disconnect();
  std::printf(
      "latency (last reply byte -> OnRegisters), %d replies: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
      rounds, percentile(ms, 0.5), percentile(ms, 0.99), percentile(ms, 1.0));
  std::printf("heap allocations in %d poll ticks: %ld; in the data notifications of %d replies: %ld\n",
              rounds, tickAllocations, rounds, replyAllocations);
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 500;
  int seconds = 60;
  int period = 300;
  bool alone = false;
  bool observer = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--alone")) alone = true;
    if (!std::strcmp(argv[i], "--observer")) observer = true;
    if (i + 1 >= argc) continue;
    if (!std::strcmp(argv[i], "--latency"))
      rounds = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--seconds"))
      seconds = std::atoi(argv[++i]);
    else if (!std::strcmp(argv[i], "--period"))
      period = std::atoi(argv[++i]);
  }
  char tmpl[] = "/tmp/pellix-bench-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  const QString ports = QString::fromLocal8Bit(tmpl) + "/ports";
  QDir().mkpath(ports);
  setenv("PELLIX_PORTS_DIR", ports.toLocal8Bit().constData(), 1);

  // The slaves run in their own processes (forked before any thread exists), so that
  // this process's CPU time is the engine's alone.
  PtyLink engineLink(3);
  std::optional<PtyLink> mbpollLink;
  if (!alone) mbpollLink.emplace(4);
  const Child engineSlave = forkSlave(engineLink.masterFd());
  const Child mbpollSlave = alone ? Child{} : forkSlave(mbpollLink->masterFd());

  QCoreApplication app(argc, argv);
  if (rounds > 0) latency(rounds);
  if (seconds <= 0) {
    stopSlave(engineSlave);
    if (!alone) stopSlave(mbpollSlave);
    return 0;
  }

  // mbpoll: 100 holding registers from 0 of slave 1, every period ms, output discarded.
  std::fflush(stdout);
  const pid_t mb = alone ? -1 : fork();
  if (mb == 0) {
    freopen("/dev/null", "w", stdout);
    const std::string dev = mbpollLink->slavePath().toStdString();
    const std::string rate = std::to_string(period);
    execlp("mbpoll", "mbpoll", "-m", "rtu", "-a", "1", "-b", "115200", "-P", "none", "-t", "4", "-0", "-r",
           "0", "-c", "100", "-l", rate.c_str(), dev.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }

  TAfComPort port;
  TModbusKomunikator master(port);
  master.SetPollInterval(static_cast<uint32_t>(period));
  pellix::monitor::TrafficLog log;
  if (observer) master.SetFrameObserver(&log);
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const auto threadsBefore = threadsCpu();
  const auto t0 = Clock::now();
  master.Connect(3);
  QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
  app.exec();
  // Measured while the port still runs: its threads belong to the engine. Threads that
  // started during the run (the port's) count from zero.
  long long engineNs = 0;
  long long engineWakeUps = 0;
  std::vector<ThreadCpu> perThread = threadsCpu();
  for (auto& t : perThread) {
    for (const auto& b : threadsBefore)
      if (b.name == t.name) {
        t.ns -= b.ns;
        t.wakeUps -= b.wakeUps;
      }
    engineNs += t.ns;
    engineWakeUps += t.wakeUps;
  }
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  master.Disconnect();
  const long engineAnswered = stopSlave(engineSlave);
  const TPocitadloValues c = master.GetPocitadlo().Values();
  const double polls = static_cast<double>(std::max(1L, engineAnswered));
  const double engineCpu = static_cast<double>(engineNs) / 1e9;
  for (const auto& t : perThread)
    std::printf("  thread %-28s %8.3f ms CPU, %5lld wake-ups\n", t.name.c_str(),
                static_cast<double>(t.ns) / 1e6, t.wakeUps);
  std::printf("  (rusage: engine process %.3f s)\n", cpuSeconds(after) - cpuSeconds(before));
  std::printf(
      "engine: %.1f s at %d ms: %d replies (Tx %d, Err %d, slave answered %ld), CPU %.3f s = %.3f %% of a "
      "core, %.1f us per poll, %.2f wake-ups per poll%s\n",
      wall, period, c.Rx, c.Tx, c.Err, engineAnswered, engineCpu, 100.0 * engineCpu / wall,
      1e6 * engineCpu / polls, static_cast<double>(engineWakeUps) / polls,
      observer ? QStringLiteral(" (observer: %1 frames)").arg(log.NextSequence()).toLatin1().constData()
               : "");

  if (!alone) {
    const long long mbNs = schedNs("/proc/" + std::to_string(mb) + "/schedstat");
    const long long mbWakeUps = wakeUps("/proc/" + std::to_string(mb) + "/status");
    kill(mb, SIGINT);
    rusage mbUsage{};
    int status = 0;
    wait4(mb, &status, 0, &mbUsage);
    const long mbpollAnswered = stopSlave(mbpollSlave);
    const double mbPolls = static_cast<double>(std::max(1L, mbpollAnswered));
    const double mbCpu = static_cast<double>(mbNs) / 1e9;
    std::printf(
        "mbpoll: %.1f s at %d ms: slave answered %ld, CPU %.3f s = %.3f %% of a core, %.1f us per poll, %.2f "
        "wake-ups per poll (rusage %.3f s)\n",
        wall, period, mbpollAnswered, mbCpu, 100.0 * mbCpu / wall, 1e6 * mbCpu / mbPolls,
        static_cast<double>(mbWakeUps) / mbPolls, cpuSeconds(mbUsage));
  }
  QDir(QString::fromLocal8Bit(tmpl)).removeRecursively();
  return 0;
}
