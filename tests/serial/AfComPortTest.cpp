#include "AfComPort.h"
#include "ComNumbers.h"
#include "LineTermios.h"
#include "PortTestSupport.h"
#include "PtyLink.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <atomic>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include "PortsFolder.h"

namespace pellix::test {

namespace {

constexpr int kCom = 7;

template <class F>
std::string errorOf(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "<no exception>";
}

bool onGuiThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

class PortTest : public ::testing::Test {
 protected:
  void SetUp() override { port.SetComNumber(kCom); }

  void openPort() {
    port.OpenPort();
    ASSERT_TRUE(port.IsOpen());
  }

  Termios2 farSide() {
    Termios2 t;
    EXPECT_TRUE(readTermios(pty.masterFd(), t));
    return t;
  }

  PtyLink pty{kCom, PtyLink::Slave::LeftToThePort};
  TAfComPort port;
  ErrorRecorder recorder;
};

// ---- opening and closing ----

TEST_F(PortTest, OpenCloseCyclesCallEventsAndReleaseTheDevice) {
  int opened = 0, closed = 0;
  port.OnPortOpen = [&](TAfCustomSerialPort* s) {
    EXPECT_EQ(s, &port);
    ++opened;
  };
  port.OnPortClose = [&](TAfCustomSerialPort*) { ++closed; };
  for (int i = 0; i < 10; ++i) {
    port.OpenPort();
    port.OpenPort();  // already open: nothing
    ASSERT_TRUE(port.IsOpen());
    EXPECT_EQ(probeComPort(kCom), PortState::Busy);
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(probeComPort(kCom), PortState::Free);
  }
  port.ClosePort();  // not open: nothing
  EXPECT_EQ(opened, 10);
  EXPECT_EQ(closed, 10);
  EXPECT_TRUE(recorder.errors.empty());
}

class InvalidComNumber : public ::testing::TestWithParam<int> {};

TEST_P(InvalidComNumber, RaisesInvalidPortNumberWithThatNumber) {
  linkMissing(9);
  TAfComPort port;
  port.SetComNumber(GetParam());
  int opened = 0;
  port.OnPortOpen = [&](TAfCustomSerialPort*) { ++opened; };
  const std::string expected = "Invalid port number (COM" + std::to_string(GetParam()) + ")";
  EXPECT_EQ(errorOf([&] { port.OpenPort(); }), expected);
  EXPECT_THROW(port.OpenPort(), EAfComPortCoreError);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(opened, 0);
}

// 0 and below, a link to nothing, beyond the device table.
INSTANTIATE_TEST_SUITE_P(Numbers, InvalidComNumber, ::testing::Values(0, -1, -42, 9, 97, 200));

TEST(PortOpen, NotASerialDeviceCountsAsMissing) {
  const QString entry = portsFolderEntry(11);
  QFile::remove(entry);
  ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), entry));
  TAfComPort port;
  port.SetComNumber(11);
  EXPECT_EQ(errorOf([&] { port.OpenPort(); }), "Invalid port number (COM11)");
  QFile::remove(entry);
}

TEST(PortOpen, FarSideGoneCountsAsMissing) {
  PtyLink pty(12, PtyLink::Slave::LeftToThePort);
  pty.hangUp();
  TAfComPort port;
  port.SetComNumber(12);
  EXPECT_EQ(errorOf([&] { port.OpenPort(); }), "Invalid port number (COM12)");
}

TEST_F(PortTest, PortHeldByAnotherPortIsBusy) {
  openPort();
  TAfComPort second(QStringLiteral("AfComPort2"));
  second.SetComNumber(kCom);
  EXPECT_EQ(errorOf([&] { second.OpenPort(); }), "Can't open device COM7");
  EXPECT_FALSE(second.IsOpen());

  // A second link to the same device shares its lock.
  const QString alias = portsFolderEntry(8);
  QFile::remove(alias);
  ASSERT_TRUE(QFile::link(pty.slavePath(), alias));
  second.SetComNumber(8);
  EXPECT_EQ(errorOf([&] { second.OpenPort(); }), "Can't open device COM8");
  QFile::remove(alias);

  port.ClosePort();
  second.SetComNumber(kCom);
  second.OpenPort();
  EXPECT_TRUE(second.IsOpen());
}

TEST_F(PortTest, PortLockedByAnotherProgramIsBusy) {
  const int fd = ::open(pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  EXPECT_EQ(errorOf([&] { port.OpenPort(); }), "Can't open device COM7");
  EXPECT_FALSE(port.IsOpen());
  ::close(fd);
  openPort();
}

TEST_F(PortTest, ChangingComNumberOnAnOpenPortReopensOnTheNewDevice) {
  PtyLink other(13, PtyLink::Slave::LeftToThePort);
  openPort();
  int opened = 0, closed = 0;
  port.OnPortOpen = [&](TAfCustomSerialPort*) { ++opened; };
  port.OnPortClose = [&](TAfCustomSerialPort*) { ++closed; };
  port.SetComNumber(13);
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(probeComPort(kCom), PortState::Free);
  port.WriteBytes("x", 1);
  EXPECT_EQ(other.receive(1, 1000), QByteArray("x"));
}

// ---- data ----

TEST_F(PortTest, BytesTravelBothWays) {
  openPort();
  port.WriteBytes("hello", 5);
  EXPECT_EQ(pty.receive(5, 1000), QByteArray("hello"));
  pty.send("world!");
  ASSERT_TRUE(waitUntil([&] { return port.BytesWaiting() == 6; }, 1000));
  char buf[6];
  port.ReadBytes(buf, 6);
  EXPECT_EQ(QByteArray(buf, 6), QByteArray("world!"));
  EXPECT_EQ(port.BytesWaiting(), 0);
}

TEST_F(PortTest, BytesWrappingTheRingArriveWholeAndInOrder) {
  openPort();
  QByteArray all;
  for (int i = 0; i < 200000; ++i) all.append(static_cast<char>((i * 7 + i / 251) & 0xFF));
  QByteArray received;
  qsizetype sent = 0;
  while (sent < all.size()) {
    const int piece = static_cast<int>(std::min<qsizetype>(700, all.size() - sent));
    if (port.OutputFree() >= piece) {
      port.WriteBytes(all.constData() + sent, piece);
      sent += piece;
    } else {
      // Drain the far side slowly: the pty stays nearly full, so writes come out short.
      received += pty.receive(300, 20);
    }
  }
  received += pty.receive(static_cast<int>(all.size() - received.size()), 5000);
  EXPECT_EQ(received.size(), all.size());
  EXPECT_TRUE(received == all);
}

TEST_F(PortTest, CloseWithTheDeviceStuckIsPromptAndDiscardsUnsentBytes) {
  openPort();
  QByteArray all;
  for (int i = 0; i < 300000; ++i) all.append(static_cast<char>(i % 251));
  qsizetype sent = 0;
  QElapsedTimer stuck;
  stuck.start();
  while (stuck.elapsed() < 200 && sent + 1000 <= all.size()) {  // nobody reads the far side
    if (port.OutputFree() >= 1000) {
      port.WriteBytes(all.constData() + sent, 1000);
      sent += 1000;
      stuck.restart();
    }
  }
  ASSERT_LT(port.OutputFree(), 1000) << "the far side never filled up";
  QElapsedTimer t;
  t.start();
  port.ClosePort();
  EXPECT_LT(t.elapsed(), 1000);
  const QByteArray received = pty.receive(static_cast<int>(sent), 500);
  EXPECT_LT(received.size(), sent);
  EXPECT_TRUE(all.startsWith(received));
  port.OpenPort();
  EXPECT_EQ(port.OutputFree(), 2048);
}

TEST_F(PortTest, ReadingMoreThanWaitingRaisesReadDataError) {
  openPort();
  pty.send("ab");
  ASSERT_TRUE(waitUntil([&] { return port.BytesWaiting() == 2; }, 1000));
  char buf[5];
  EXPECT_EQ(errorOf([&] { port.ReadBytes(buf, 5); }), "Read data error - AfComPort1 ");
}

TEST_F(PortTest, OverfullWriteRaisesAndSendsNothing) {
  openPort();
  EXPECT_EQ(port.OutputFree(), 2048);
  const QByteArray big(3000, 'z');
  EXPECT_EQ(errorOf([&] { port.WriteBytes(big.constData(), 3000); }),
            "Write data error [requested: 3000, free: 2048] - AfComPort1 ");
  EXPECT_EQ(port.OutputFree(), 2048);
  EXPECT_TRUE(pty.receive(1, 300).isEmpty());
}

TEST_F(PortTest, WriteOnAClosedPortRaisesWithNoFreeSpace) {
  EXPECT_EQ(port.OutputFree(), 0);
  EXPECT_EQ(port.BytesWaiting(), 0);
  EXPECT_EQ(errorOf([&] { port.WriteBytes("abc", 3); }),
            "Write data error [requested: 3, free: 0] - AfComPort1 ");
}

TEST_F(PortTest, PurgeInputDiscardsWaitingBytes) {
  openPort();
  pty.send("0123456789");
  ASSERT_TRUE(waitUntil([&] { return port.BytesWaiting() == 10; }, 1000));
  port.PurgeInput();
  EXPECT_EQ(port.BytesWaiting(), 0);
  pty.send("A");
  ASSERT_TRUE(waitUntil([&] { return port.BytesWaiting() == 1; }, 1000));
  char c = 0;
  port.ReadBytes(&c, 1);
  EXPECT_EQ(c, 'A');
}

TEST_F(PortTest, BufferSizesCannotChangeWhileOpen) {
  openPort();
  EXPECT_EQ(errorOf([&] { port.SetInBufSize(8192); }), "Port is not closed - AfComPort1 ");
  EXPECT_EQ(port.InBufSize(), 4096);
  EXPECT_THROW(port.SetOutBufSize(100), EAfComPortError);
  EXPECT_EQ(port.OutBufSize(), 2048);
  port.ClosePort();
  port.SetOutBufSize(100);
  port.OpenPort();
  EXPECT_EQ(port.OutputFree(), 100);
}

TEST_F(PortTest, UnusableBufferSizeFailsTheOpenCleanly) {
  port.SetOutBufSize(0);
  EXPECT_EQ(errorOf([&] { port.OpenPort(); }), "Error initializing buffers");
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(probeComPort(kCom), PortState::Free);  // everything opened so far was closed
}

// ---- notifications ----

struct Received {
  int count;
  bool gui;
  qint64 at;
};

TEST_F(PortTest, EveryBurstIsNotifiedAndUnreadDataAgainEvery200ms) {
  std::vector<Received> calls;
  QElapsedTimer clock;
  clock.start();
  port.OnDataRecived = [&](TAfCustomSerialPort* s, int count) {
    EXPECT_EQ(s, &port);
    calls.push_back({count, onGuiThread(), clock.elapsed()});
  };
  openPort();
  const int bursts[] = {80, 70, 55};  // 205 bytes
  int total = 0;
  for (int size : bursts) {
    const size_t before = calls.size();
    total += size;
    pty.send(QByteArray(size, 'q'));
    ASSERT_TRUE(waitUntil([&] { return calls.size() > before && calls.back().count == total; }, 1000))
        << "no notification for the burst ending at " << total;
  }
  // Nobody reads: the data keeps being announced.
  const qint64 quietFrom = clock.elapsed();
  processEventsFor(700);
  int repeats = 0;
  for (const Received& r : calls)
    if (r.at > quietFrom) {
      EXPECT_EQ(r.count, 205);
      ++repeats;
    }
  EXPECT_GE(repeats, 2);
  EXPECT_LE(repeats, 5);
  for (const Received& r : calls) EXPECT_TRUE(r.gui);

  // Once read, the announcements stop
  QByteArray buf(205, 0);
  port.ReadBytes(buf.data(), 205);
  processEventsFor(100);
  const size_t after = calls.size();
  processEventsFor(500);
  EXPECT_EQ(calls.size(), after);

  // and start again with the next bytes left unread.
  pty.send("z");
  processEventsFor(500);
  EXPECT_GE(calls.size(), after + 3) << "the arrival and at least two repeats";
}

// Voluntary context switches of the port's own threads so far: each is one wake-up.
long long portThreadWakeUps() {
  long long total = 0;
  const QStringList tids =
      QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& tid : tids) {
    QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(tid));
    if (!comm.open(QIODevice::ReadOnly) || !comm.readAll().startsWith("AfComPort")) continue;
    QFile status(QStringLiteral("/proc/self/task/%1/status").arg(tid));
    if (!status.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith("voluntary_ctxt_switches:")) total += line.mid(24).trimmed().toLongLong();
  }
  return total;
}

// One poll: a short request out, a whole reply in and read at once. No port thread wakes:
// the request goes out from the GUI thread, the GUI thread itself watches for the reply,
// nobody listens for "output free", and drained input leaves nothing to check.
TEST_F(PortTest, APollWakesNoPortThread) {
  int replies = 0;
  port.OnDataRecived = [&](TAfCustomSerialPort* s, int count) {
    if (count < 205) return;
    QByteArray buf(count, 0);
    s->ReadBytes(buf.data(), count);
    ++replies;
  };
  openPort();
  processEventsFor(50);  // both threads started and asleep
  const long long before = portThreadWakeUps();
  port.WriteBytes("request!", 8);
  ASSERT_EQ(pty.receive(8, 1000).size(), 8);
  pty.send(QByteArray(205, 'r'));
  ASSERT_TRUE(waitUntil([&] { return replies == 1; }, 1000));
  processEventsFor(500);  // longer than the check for unread input
  EXPECT_EQ(portThreadWakeUps() - before, 0);
}

// A handler may spin a nested event loop (a message box does): nothing further is handed over
// until it has returned; then what came meanwhile is announced.
TEST_F(PortTest, NoNotificationOvertakesTheOneBeingHandled) {
  int calls = 0;
  bool inside = false, overtaken = false;
  port.OnDataRecived = [&](TAfCustomSerialPort* s, int count) {
    overtaken = overtaken || inside;
    if (++calls == 1) {
      inside = true;
      pty.send("more");
      processEventsFor(400);
      inside = false;
    }
    QByteArray buf(count, 0);
    s->ReadBytes(buf.data(), count);  // what it was told of; "more" stays
  };
  openPort();
  pty.send("first");
  ASSERT_TRUE(waitUntil([&] { return calls >= 2; }, 2000));
  EXPECT_FALSE(overtaken);
}

// The GUI thread delivers a reply itself; what the event thread has to hand over meanwhile
// ("output free" here) waits until that handler has returned, nested event loop or not.
TEST_F(PortTest, AHandOverWaitsForTheDataHandlerThatRuns) {
  std::vector<std::string> order;
  bool inside = false, overtaken = false;
  port.OnOutBufFree = [&](TAfCustomSerialPort*) {
    overtaken = overtaken || inside;
    order.push_back("free");
  };
  port.OnDataRecived = [&](TAfCustomSerialPort* s, int count) {
    if (order.empty()) {
      inside = true;
      order.push_back("data");
      s->WriteBytes("ping", 4);
      processEventsFor(300);
      inside = false;
    }
    QByteArray buf(count, 0);
    s->ReadBytes(buf.data(), count);
  };
  openPort();
  pty.send("x");
  ASSERT_TRUE(waitUntil([&] { return order.size() >= 2; }, 2000));
  EXPECT_FALSE(overtaken);
  EXPECT_EQ(order[1], "free");
}

TEST_F(PortTest, OutputFreeIsAnnouncedOnTheGuiThread) {
  int freed = 0;
  port.OnOutBufFree = [&](TAfCustomSerialPort*) {
    EXPECT_TRUE(onGuiThread());
    ++freed;
  };
  openPort();
  port.WriteBytes("ping", 4);
  EXPECT_TRUE(waitUntil([&] { return freed >= 1; }, 1000));
  EXPECT_EQ(port.OutputFree(), 2048);
}

TEST_F(PortTest, SyncEventRunsFirstOnTheGuiThread) {
  std::vector<std::string> order;
  port.OnSyncEvent = [&](TAfCustomSerialPort*, TAfCoreEvent kind, unsigned data) {
    EXPECT_TRUE(onGuiThread());
    if (kind == TAfCoreEvent::DeviceEvent) {
      EXPECT_NE(data & evRxChar, 0u);
      order.push_back("sync");
    }
  };
  port.OnDataRecived = [&](TAfCustomSerialPort*, int) { order.push_back("data"); };
  openPort();
  pty.send("x");
  ASSERT_TRUE(waitUntil([&] { return order.size() >= 2; }, 1000));
  EXPECT_EQ(order[0], "sync");
  EXPECT_EQ(order[1], "data");
}

TEST_F(PortTest, NonSyncEventReplacesTheHandOver) {
  std::atomic<int> onPortThread{0};
  int gui = 0;
  port.OnNonSyncEvent = [&](TAfCustomSerialPort*, TAfCoreEvent kind, unsigned) {
    if (kind == TAfCoreEvent::DeviceEvent && !onGuiThread()) ++onPortThread;
  };
  port.OnDataRecived = [&](TAfCustomSerialPort*, int) { ++gui; };
  openPort();
  pty.send("x");
  EXPECT_TRUE(waitUntil([&] { return onPortThread.load() > 0; }, 1000));
  processEventsFor(50);
  EXPECT_EQ(gui, 0);
}

TEST_F(PortTest, HandlerExceptionReachesTheErrorReport) {
  port.OnDataRecived = [](TAfCustomSerialPort*, int) { throw std::runtime_error("handler failed"); };
  openPort();
  pty.send("x");
  ASSERT_TRUE(waitUntil([&] { return !recorder.errors.empty(); }, 1000));
  EXPECT_EQ(recorder.errors.front().message, "handler failed");
  EXPECT_TRUE(recorder.errors.front().onGuiThread);
}

TEST_F(PortTest, SilentExceptionFromHandlerIsDropped) {
  int calls = 0;
  port.OnDataRecived = [&](TAfCustomSerialPort*, int) {
    ++calls;
    throw SilentException();
  };
  openPort();
  pty.send("x");
  ASSERT_TRUE(waitUntil([&] { return calls > 0; }, 1000));
  processEventsFor(50);
  EXPECT_TRUE(recorder.errors.empty());
}

TEST_F(PortTest, CloseWithANotificationInFlightIsPromptAndDropsIt) {
  int calls = 0;
  port.OnDataRecived = [&](TAfCustomSerialPort*, int) { ++calls; };
  openPort();
  pty.send("waiting");
  QThread::msleep(150);  // no event loop: the event thread now waits for the GUI thread
  QElapsedTimer t;
  t.start();
  port.ClosePort();
  EXPECT_LT(t.elapsed(), 1000);  // the hand-over bound is 2000 ms
  processEventsFor(100);
  EXPECT_EQ(calls, 0);
}

TEST_F(PortTest, HangUpStopsTheEventThreadAndReportsReadDataError) {
  // The application closes the port on this error; do the same.
  setErrorHandler([this](const std::exception& e) {
    recorder.errors.push_back({e.what(), onGuiThread()});
    port.ClosePort();
  });
  openPort();
  pty.hangUp();
  ASSERT_TRUE(waitUntil([&] { return !recorder.errors.empty(); }, 2000));
  EXPECT_EQ(recorder.errors.front().message, "Read data error - AfComPort1 ");
  EXPECT_TRUE(recorder.errors.front().onGuiThread);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(recorder.errors.size(), 1u);
}

double cpuSeconds() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TEST_F(PortTest, HungUpPortDoesNotSpin) {
  openPort();
  pty.hangUp();
  ASSERT_TRUE(waitUntil([&] { return !recorder.errors.empty(); }, 2000));
  const double before = cpuSeconds();
  QThread::msleep(500);  // the port stays open, as when nobody handles the error
  EXPECT_LT(cpuSeconds() - before, 0.1);
  port.WriteBytes("lost", 4);  // a dead line must not make the write thread spin either
  const double beforeWrite = cpuSeconds();
  QThread::msleep(300);
  EXPECT_LT(cpuSeconds() - beforeWrite, 0.06);
  EXPECT_EQ(recorder.errors.size(), 1u);  // reported once, not on every tick
  QElapsedTimer t;
  t.start();
  port.ClosePort();
  EXPECT_LT(t.elapsed(), 1000);
}

// ---- line settings on the device ----

struct RateCase {
  TAfBaudrate baudRate;
  int userRate;  // used when baudRate is brUser
  uint32_t expected;
};

class PortRate : public PortTest, public ::testing::WithParamInterface<RateCase> {};

TEST_P(PortRate, ReachesTheDeviceOnOpenAndWhenChangedWhileOpen) {
  const RateCase& c = GetParam();
  auto apply = [&] {
    if (c.baudRate == brUser)
      port.SetUserBaudRate(c.userRate);
    else
      port.SetBaudRate(c.baudRate);
  };
  apply();
  openPort();
  EXPECT_EQ(termiosRate(farSide()), c.expected);
  port.SetBaudRate(c.expected == 9600 ? br19200 : br9600);
  EXPECT_NE(termiosRate(farSide()), c.expected);
  apply();
  EXPECT_EQ(termiosRate(farSide()), c.expected);
  EXPECT_EQ(port.LineSettings().baudRate, static_cast<int>(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Rates, PortRate,
                         ::testing::Values(RateCase{br110, 0, 110}, RateCase{br9600, 0, 9600},
                                           RateCase{br14400, 0, 14400}, RateCase{br19200, 0, 19200},
                                           RateCase{br56000, 0, 56000}, RateCase{br57600, 0, 57600},
                                           RateCase{br115200, 0, 115200}, RateCase{br128000, 0, 128000},
                                           RateCase{br256000, 0, 256000}, RateCase{brUser, 7200, 7200},
                                           RateCase{brUser, 14400, 14400}, RateCase{brUser, 28800, 28800},
                                           RateCase{brUser, 56000, 56000}, RateCase{brUser, 76800, 76800},
                                           RateCase{brUser, 128000, 128000}, RateCase{brUser, 38400, 38400}));

struct FrameCase {
  TAfParity parity;
  TAfStopbits stopbits;
  int parityCode;
  bool twoStopBits;
};

class PortFrame : public PortTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(PortFrame, StopBitsReachTheDeviceAndParityTheRecord) {
  const FrameCase& c = GetParam();
  openPort();
  port.SetParity(c.parity);
  port.SetStopbits(c.stopbits);
  EXPECT_EQ(port.LineSettings().parity, c.parityCode);
  EXPECT_EQ((farSide().c_cflag & CSTOPB) != 0, c.twoStopBits);
  // and the same when applied by the open
  port.ClosePort();
  port.OpenPort();
  EXPECT_EQ((farSide().c_cflag & CSTOPB) != 0, c.twoStopBits);
  EXPECT_EQ(port.LineSettings().parity, c.parityCode);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, PortFrame,
    ::testing::Values(FrameCase{paNone, sbOne, 0, false}, FrameCase{paOdd, sbOne, 1, false},
                      FrameCase{paEven, sbTwo, 2, true}, FrameCase{paNone, sbTwo, 0, true},
                      FrameCase{paMark, sbOne, 3, false}, FrameCase{paSpace, sbTwo, 4, true}));

TEST_F(PortTest, RefusedRateRaisesAndKeepsTheDevicesSettings) {
  port.SetUserBaudRate(28800);
  openPort();
  EXPECT_EQ(errorOf([&] { port.SetUserBaudRate(-5); }), "Error setting parameters from DCB");
  EXPECT_EQ(port.UserBaudRate(), -5);              // the property keeps the new value
  EXPECT_EQ(port.LineSettings().baudRate, 28800);  // the record what the device has
  EXPECT_EQ(termiosRate(farSide()), 28800u);
  EXPECT_TRUE(port.IsOpen());
}

TEST_F(PortTest, RefusedRateFailsTheOpenCleanly) {
  port.SetBaudRate(brUser);  // UserBaudRate is 0
  EXPECT_EQ(errorOf([&] { port.OpenPort(); }), "Error setting parameters from DCB");
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(probeComPort(kCom), PortState::Free);
}

TEST_F(PortTest, ModemLinesOnAPtyAreNotAnError) {
  openPort();
  port.SetDTR(false);
  port.SetRTS(false);
  port.SetFlowControl(fwRtsCts);
  EXPECT_FALSE(port.DTR());
  EXPECT_TRUE((farSide().c_cflag & CRTSCTS) != 0);
  EXPECT_TRUE(port.IsOpen());
}

TEST_F(PortTest, LineIsRawOnTheDevice) {
  openPort();
  // CR/LF, XON/XOFF characters and NUL pass unchanged in both directions.
  const QByteArray bytes("\r\n\x11\x13\x00\x7f\xff", 7);
  port.WriteBytes(bytes.constData(), 7);
  EXPECT_EQ(pty.receive(7, 1000), bytes);
  pty.send(bytes);
  ASSERT_TRUE(waitUntil([&] { return port.BytesWaiting() == 7; }, 1000));
  QByteArray back(7, 0);
  port.ReadBytes(back.data(), 7);
  EXPECT_EQ(back, bytes);
}

TEST(PortLifetime, DestroyingAnOpenPortClosesIt) {
  PtyLink pty(14, PtyLink::Slave::LeftToThePort);
  int closed = 0;
  {
    TAfComPort port;
    port.SetComNumber(14);
    port.OnPortClose = [&](TAfCustomSerialPort*) { ++closed; };
    port.OpenPort();
    pty.send("unread");
    QThread::msleep(50);
  }
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(probeComPort(14), PortState::Free);
  processEventsFor(50);  // a delivery still queued for the dead port is dropped
}

TEST(PortLifetime, AutoOpenOpensWhenLoaded) {
  PtyLink pty(15, PtyLink::Slave::LeftToThePort);
  TAfComPort port;
  port.SetComNumber(15);
  port.Loaded();
  EXPECT_FALSE(port.IsOpen());
  port.SetAutoOpen(true);
  port.Loaded();
  EXPECT_TRUE(port.IsOpen());
}

}  // namespace
}  // namespace pellix::test
