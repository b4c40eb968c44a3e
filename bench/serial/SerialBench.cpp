// serial_bench [idle-seconds]: measures over a pseudo-terminal
//  1. latency from the last byte written on the far side to OnDataRecived on the GUI thread (1000 bursts),
//  2. CPU load of an open, idle port,
//  3. 1 MiB through WriteBytes in 2 KiB pieces, checked on the far side.
#include "AfComPort.h"
#include "GuardedApplication.h"
#include "PortsFolder.h"
#include "ProcessCpu.h"

#include <QDir>
#include <QFile>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int openPty(int comNumber) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::perror("pty");
    std::exit(1);
  }
  const QString link = pellix::portsFolderEntry(comNumber);
  QFile::remove(link);
  if (!QFile::link(QString::fromLocal8Bit(ptsname(master)), link)) {
    std::fprintf(stderr, "cannot link %s\n", qPrintable(link));
    std::exit(1);
  }
  return master;
}

void writeAll(int fd, const char* data, size_t n) {
  while (n > 0) {
    const ssize_t w = ::write(fd, data, n);
    if (w > 0) {
      data += w;
      n -= static_cast<size_t>(w);
    }
  }
}

void latency(QCoreApplication& app, TAfComPort& port, int master) {
  constexpr int kBursts = 1000;
  std::vector<double> micros;
  micros.reserve(kBursts);
  std::atomic<int64_t> writtenAt{0};
  std::atomic<int> handled{0};
  port.OnDataRecived = [&](TAfCustomSerialPort*, int count) {
    if (count <= 0) return;
    const auto now = Clock::now().time_since_epoch().count();
    char buf[64];
    port.ReadBytes(buf, std::min(count, static_cast<int>(sizeof buf)));
    micros.push_back(static_cast<double>(now - writtenAt.load()) / 1000.0);
    handled.fetch_add(1);
    if (handled.load() == kBursts) app.quit();
  };
  std::thread farSide([&] {
    const char burst[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    for (int i = 0; i < kBursts; ++i) {
      writtenAt = Clock::now().time_since_epoch().count();
      writeAll(master, burst, sizeof burst);
      while (handled.load() <= i) std::this_thread::sleep_for(std::chrono::microseconds(50));
      std::this_thread::sleep_for(std::chrono::microseconds(500 + (i * 37) % 1500));
    }
  });
  app.exec();
  farSide.join();
  std::sort(micros.begin(), micros.end());
  std::printf("latency over %zu bursts: median %.0f us, p99 %.0f us, max %.0f us\n", micros.size(),
              micros[micros.size() / 2], micros[micros.size() * 99 / 100], micros.back());
  port.OnDataRecived = nullptr;
}

void idleLoad(QCoreApplication& app, int seconds) {
  const double before = pellix::bench::processCpuSeconds();
  const auto start = Clock::now();
  QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &app, &QCoreApplication::quit);
  app.exec();
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("idle open port: %.3f%% of one core over %.1f s (process CPU %.4f s)\n",
              100.0 * (pellix::bench::processCpuSeconds() - before) / wall, wall,
              pellix::bench::processCpuSeconds() - before);
}

void bulk(QCoreApplication& app, TAfComPort& port, int master) {
  constexpr int kTotal = 1 << 20, kPiece = 2048;
  std::vector<char> data(kTotal);
  for (int i = 0; i < kTotal; ++i)
    data[static_cast<size_t>(i)] = static_cast<char>((i * 131 + i / 997) & 0xFF);
  std::vector<char> received;
  received.reserve(kTotal);
  std::thread farSide([&] {
    char buf[4096];
    while (received.size() < static_cast<size_t>(kTotal)) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 5000) <= 0) break;
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n > 0) received.insert(received.end(), buf, buf + n);
    }
  });
  int sent = 0;
  auto pump = [&] {
    while (sent < kTotal && port.OutputFree() >= kPiece) {
      port.WriteBytes(data.data() + sent, kPiece);
      sent += kPiece;
    }
  };
  port.OnOutBufFree = [&](TAfCustomSerialPort*) {
    pump();
    if (sent >= kTotal) app.quit();
  };
  const auto start = Clock::now();
  QTimer::singleShot(0, &app, pump);
  QTimer::singleShot(60000, &app, &QCoreApplication::quit);
  app.exec();
  farSide.join();
  const double secs = std::chrono::duration<double>(Clock::now() - start).count();
  const bool whole = received.size() == data.size() && std::equal(data.begin(), data.end(), received.begin());
  std::printf("1 MiB in 2 KiB pieces: %zu bytes received, %s, %.2f s (%.1f MiB/s)\n", received.size(),
              whole ? "whole and in order" : "CORRUPTED OR INCOMPLETE", secs, 1.0 / secs);
  port.OnOutBufFree = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
  QByteArray dir = QDir::tempPath().toLocal8Bit() + "/serial-bench-XXXXXX";
  if (!mkdtemp(dir.data())) return 1;
  setenv("PELLIX_PORTS_DIR", dir.constData(), 1);
  pellix::PellixCoreApplication app(argc, argv);
  const int master = openPty(1);
  TAfComPort port;
  port.SetComNumber(1);
  port.OpenPort();
  latency(app, port, master);
  idleLoad(app, idleSeconds);
  bulk(app, port, master);
  port.ClosePort();
  ::close(master);
  QDir(QString::fromLocal8Bit(dir)).removeRecursively();
  return 0;
}
