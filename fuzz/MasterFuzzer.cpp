// The Modbus master's reply handling fed an arbitrary byte stream in arbitrary pieces,
// through the seam the engine's tests use: the real port on a pseudo-terminal whose far
// side plays the gateway, the poll driven tick by tick.
//
// Input: a sequence of operations, one byte each (low three bits), some with data:
//   0 tick                     1 n, n bytes: a piece of junk
//   2 k: the reply to the last read in k+1 pieces
//   3 the reply to the last read with one byte changed (position, xor)
//   4 i: the next read is of block i     5 v: a queued write of v
//   6 a reply to the read before the last one, as a late reply would come
//   7 the far side writes the last request back (an echo)
#include "ErrorReport.h"
#include "FuzzCheck.h"
#include "GuardedApplication.h"
#include "ModbusKomunikator.h"
#include "ModbusReplies.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <memory>

namespace {

using pellix::test::Bytes;
constexpr int kCom = 7;

class HeldMaster : public TModbusKomunikator {
 public:
  using TModbusKomunikator::TModbusKomunikator;
  void HoldTimer() { Timer.stop(); }
};

struct Rig {
  QTemporaryDir folder;
  std::unique_ptr<pellix::test::PtyLink> link;
  TAfComPort port;
  int notifications = 0;

  Rig() {
    qputenv("PELLIX_PORTS_DIR", folder.path().toLocal8Bit());
    link = std::make_unique<pellix::test::PtyLink>(kCom);
    port.SetComNumber(kCom);
    port.OpenPort();
  }

  void drainFarSide() {
    std::uint8_t buf[512];
    while (::read(link->masterFd(), buf, sizeof buf) > 0) {
    }
  }

  // Waits until the port has told its handler about bytes just written (or 200 ms).
  void deliver(const Bytes& bytes) {
    if (bytes.empty()) return;
    const int before = notifications;
    link->write(bytes);
    QElapsedTimer t;
    t.start();
    while (notifications == before && t.elapsed() < 200) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
      if (notifications == before) QThread::usleep(100);
    }
    QCoreApplication::processEvents();
  }
};

Rig& rig() {
  static Rig r;
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static pellix::PellixCoreApplication app(*argc, *argv);
  pellix::setErrorHandler([](const std::exception& e) {
    std::fprintf(stderr, "error report: %s\n", e.what());
    std::abort();
  });
  rig();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Rig& r = rig();
  FUZZ_CHECK(r.port.IsOpen());
  r.port.PurgeInput();
  r.drainFarSide();

  HeldMaster master(r.port);
  const auto handler = r.port.OnDataRecived.Handler();
  r.port.OnDataRecived = [&r, handler](TAfCustomSerialPort* sender, int count) {
    ++r.notifications;
    handler(sender, count);
  };
  master.OnRegisters = [&master] {
    // Only a whole frame whose CRC fits is ever taken for registers.
    const TCommFrame& rx = master.GetRxFrame();
    FUZZ_CHECK(rx.Length >= 205 && master.CheckCrc());
  };
  int framesSent = 0;
  master.OnTxFrame = [&framesSent](const TCommFrame&) { ++framesSent; };
  master.Connect(kCom);
  master.HoldTimer();

  Bytes lastRequest;
  uint16_t lastRead = 1000, readBefore = 1000;
  pellix::fuzz::InputReader in(data, size);
  while (!in.empty()) {
    const std::uint8_t op = in.byte();
    switch (op & 7) {
      case 0: {
        const int before = framesSent;
        master.TimerTick();
        if (framesSent == before) break;
        // Every request the tick sends reaches the far side whole.
        const TCommFrame& sent = master.GetTxFrame();
        const Bytes got = r.link->read(sent.Length, 2000);
        FUZZ_CHECK(got == Bytes(sent.Data, sent.Data + sent.Length));
        lastRequest = got;
        if (sent.Data[1] == 3) {
          FUZZ_CHECK((sent.Data[2] << 8 | sent.Data[3]) == master.GetPolledAddress());
          readBefore = lastRead;
          lastRead = master.GetPolledAddress();
        }
        break;
      }
      case 1: {
        const auto piece = in.bytes(in.byte());
        r.deliver(Bytes(piece.begin(), piece.end()));
        break;
      }
      case 2: {
        const Bytes reply = pellix::test::readReply(master.GetSlaveAddress(), lastRead);
        const int pieces = in.byte() % 4 + 1;
        std::size_t at = 0;
        for (int i = 1; i <= pieces; ++i) {
          const std::size_t end = i == pieces ? reply.size() : std::min(reply.size(), at + in.byte());
          r.deliver(Bytes(reply.begin() + static_cast<std::ptrdiff_t>(at),
                          reply.begin() + static_cast<std::ptrdiff_t>(end)));
          at = end;
        }
        break;
      }
      case 3: {
        Bytes reply = pellix::test::readReply(master.GetSlaveAddress(), lastRead);
        reply[in.byte() % reply.size()] ^= static_cast<std::uint8_t>(in.byte() | 1);
        r.deliver(reply);
        break;
      }
      case 4:
        master.SetNextBlock(static_cast<std::uint8_t>(in.byte() % 7));
        break;
      case 5:
        master.QueueWrite(in.word(), 1010);
        break;
      case 6:
        r.deliver(pellix::test::readReply(master.GetSlaveAddress(), readBefore));
        break;
      case 7:
        r.deliver(lastRequest);
        break;
    }
    const TPocitadloValues c = master.GetPocitadlo().Values();
    FUZZ_CHECK(c.Tx >= 0 && c.Rx >= 0 && c.Err >= 0);
    // Each request is answered, found unanswered or dropped once at most.
    FUZZ_CHECK(c.Rx + c.Err <= c.Tx);
  }
  // The port stays open for the next input; the master goes.
  r.port.OnDataRecived = nullptr;
  return 0;
}
