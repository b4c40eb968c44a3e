// The poll driven tick by tick against a far side the test plays on a pty.
#include "ErrorReport.h"
#include "MasterFixture.h"

#include <QElapsedTimer>
#include <QThread>

#include <memory>
#include <string>

namespace pellix::test {
namespace {

constexpr int P = 500;  // the master's period after creation

TEST_F(MasterOnPty, BlocksAreReadInOrderFromBlock1000AfterConnect) {
  for (uint16_t expected : {1000, 1100, 1200, 0, 100, 200, 300, 1000}) {
    EXPECT_EQ(tick(), readRequest(expected));
    EXPECT_EQ(master.GetPolledAddress(), expected);
    answer(expected);
    EXPECT_EQ(blocks.back().first, expected);
    EXPECT_EQ(blocks.back().second, modelBlock(expected));
    EXPECT_EQ(master.GetPhase(), ppPolling);
    EXPECT_EQ(master.GetTimer().interval(), P);
  }
  const TPocitadloValues c = counters();
  EXPECT_EQ(c.Tx, 8);
  EXPECT_EQ(c.Rx, 8);
  EXPECT_EQ(c.Err, 0);
  EXPECT_FALSE(c.Timeout);
}

TEST_F(MasterOnPty, QueuedWritesGoOutSixtyMsApartThenPauseThenOnePeriod) {
  const std::vector<TRegisterWrite> writes = {{0x05FF, 1010}, {0x0000, 1020}, {0x0003, 1055}};
  ASSERT_TRUE(master.QueueWrites(writes));
  for (std::size_t i = 0; i < writes.size(); ++i) {
    EXPECT_EQ(tick(), writeRequest(writes[i].Value, writes[i].Address)) << i;
    if (i == 0) {
      EXPECT_FALSE(master.QueueWrites(writes)) << "a queue being sent takes nothing more";
    }
    if (i + 1 < writes.size()) {
      EXPECT_EQ(master.GetPhase(), ppWriting);
      EXPECT_EQ(master.GetTimer().interval(), 60);
    }
    link.write(writeRequest(writes[i].Value, writes[i].Address));  // the gateway's echo
    settle(static_cast<int>(8 * (i + 1)));
  }
  EXPECT_EQ(master.GetPhase(), ppPause);
  EXPECT_EQ(master.GetTimer().interval(), 1000);
  EXPECT_EQ(master.QueuedWrites(), 0);

  EXPECT_TRUE(tick(8, 150).empty()) << "the pause sends nothing";
  EXPECT_EQ(master.GetPhase(), ppPolling);
  EXPECT_EQ(master.GetTimer().interval(), P);

  // The echoes are drained uncounted; then the first read goes out.
  EXPECT_EQ(tick(), readRequest(1000));
  answer(1000);
  EXPECT_EQ(counters().Tx, 1);
  EXPECT_EQ(counters().Rx, 1);
  EXPECT_EQ(counters().Err, 0);
}

TEST_F(MasterOnPty, NoReplyPausesAndThenAsksForTheSameBlockUntilAnswered) {
  EXPECT_EQ(tick(), readRequest(1000));
  EXPECT_TRUE(tick(8, 100).empty());
  EXPECT_EQ(master.GetPhase(), ppPause);
  EXPECT_EQ(master.GetTimer().interval(), 1000);
  EXPECT_TRUE(tick(8, 100).empty());
  EXPECT_EQ(master.GetPhase(), ppPolling);
  EXPECT_EQ(master.GetTimer().interval(), P);
  EXPECT_EQ(counters().Err, 0) << "a timeout is known only when the next request goes out";

  EXPECT_EQ(tick(), readRequest(1100));
  EXPECT_EQ(counters().Tx, 2);
  EXPECT_EQ(counters().Err, 1);
  EXPECT_TRUE(counters().Timeout);

  EXPECT_TRUE(tick(8, 100).empty());
  EXPECT_TRUE(tick(8, 100).empty());
  EXPECT_EQ(tick(), readRequest(1100)) << "the same block again while the silence lasts";
  EXPECT_EQ(counters().Err, 2);

  answer(1100);
  EXPECT_EQ(blocks.back().first, 1100);
  EXPECT_FALSE(counters().Timeout);
  EXPECT_EQ(counters().Rx, 1);
  EXPECT_EQ(tick(), readRequest(1200));
}

TEST_F(MasterOnPty, ShortReplyIsDrainedUncountedAndTheNextBlockRead) {
  EXPECT_EQ(tick(), readRequest(1000));
  Bytes reply = readReply(1, 1000);
  reply.resize(204);
  link.write(reply);
  settle(204);
  EXPECT_TRUE(blocks.empty());
  EXPECT_FALSE(master.IsAwaitingReply());

  EXPECT_EQ(tick(), readRequest(1100));
  EXPECT_EQ(master.GetRxFrame().Length, 204);
  EXPECT_EQ(port.BytesWaiting(), 0);
  const TPocitadloValues c = counters();
  EXPECT_EQ(c.Tx, 2);
  EXPECT_EQ(c.Rx, 0);
  EXPECT_EQ(c.Err, 0);
  EXPECT_FALSE(c.Timeout);
}

TEST_F(MasterOnPty, AReplyInPiecesIsTakenWhenComplete) {
  EXPECT_EQ(tick(), readRequest(1000));
  const Bytes reply = readReply(1, 1000);
  link.write(Bytes(reply.begin(), reply.begin() + 100));
  settle(100);
  link.write(Bytes(reply.begin() + 100, reply.begin() + 150));
  settle(150);
  EXPECT_TRUE(blocks.empty());
  link.write(Bytes(reply.begin() + 150, reply.end()));
  ASSERT_TRUE(waitUntil([&] { return !blocks.empty(); }, 3000));
  EXPECT_EQ(blocks.back().second, modelBlock(1000));
  EXPECT_EQ(counters().Rx, 1);
  EXPECT_EQ(counters().Err, 0);
}

TEST_F(MasterOnPty, BadCrcIsCountedAsErrorAndNotDelivered) {
  EXPECT_EQ(tick(), readRequest(1000));
  Bytes reply = readReply(1, 1000);
  reply.back() ^= 0x01;
  link.write(reply);
  ASSERT_TRUE(waitUntil([&] { return counters().Err == 1; }, 3000));
  processEventsFor(30);
  EXPECT_TRUE(blocks.empty());
  EXPECT_EQ(counters().Rx, 0);
  EXPECT_FALSE(counters().Timeout);
  EXPECT_EQ(tick(), readRequest(1100)) << "the poll goes on with the next block";
}

TEST_F(MasterOnPty, ACompleteFrameWithAGoodCrcIsTakenWhateverItsHeader) {
  EXPECT_EQ(tick(), readRequest(1000));
  Bytes reply = readReply(9, 1000);
  reply[1] = 0x04;
  reply.resize(reply.size() - 2);
  link.write(withCrc(reply));
  ASSERT_TRUE(waitUntil([&] { return !blocks.empty(); }, 3000));
  EXPECT_EQ(blocks.back().first, 1000);
}

TEST_F(MasterOnPty, SetNextBlockChoosesWhatTheNextTickReads) {
  EXPECT_EQ(tick(), readRequest(1000));
  answer(1000);
  master.SetNextBlock(0);
  EXPECT_EQ(tick(), readRequest(0));
  answer(0);
  master.SetNextBlock(3);
  EXPECT_EQ(tick(), readRequest(300));
  answer(300);
  EXPECT_EQ(tick(), readRequest(1000));
}

TEST_F(MasterOnPty, SetNextBlockUnderATimeoutReadsTheBlockBefore) {
  EXPECT_EQ(tick(), readRequest(1000));
  tick(8, 50);
  tick(8, 50);
  EXPECT_EQ(tick(), readRequest(1100));
  ASSERT_TRUE(counters().Timeout);
  tick(8, 50);
  tick(8, 50);
  master.SetNextBlock(4);
  EXPECT_EQ(tick(), readRequest(300));
}

TEST_F(MasterOnPty, AWriteWhileATimeoutIsFlaggedIsConsumedAndNotSent) {
  EXPECT_EQ(tick(), readRequest(1000));
  tick(8, 50);
  tick(8, 50);
  EXPECT_EQ(tick(), readRequest(1100));
  ASSERT_TRUE(counters().Timeout);
  master.QueueWrite(0x05FF, 1010);
  EXPECT_EQ(master.QueuedWrites(), 1);
  EXPECT_TRUE(tick(8, 150).empty());
  EXPECT_EQ(master.QueuedWrites(), 0);
  EXPECT_EQ(master.GetPhase(), ppPause);
  EXPECT_EQ(master.GetTimer().interval(), 1000);
  // An immediate single write is held back the same way.
  master.WriteSingleRegister(0x05FF, 1010);
  EXPECT_TRUE(link.readFor(100).empty());
}

TEST_F(MasterOnPty, AStaleNotificationNeverDeliversTheOldFrameAgain) {
  EXPECT_EQ(tick(), readRequest(1000));
  answer(1000);
  processEventsFor(30);
  ASSERT_EQ(blocks.size(), 1u);
  // The port measured 205 bytes that are gone by the time the notification runs.
  master.DataReceived(&port, 205);
  EXPECT_EQ(blocks.size(), 1u);
  EXPECT_EQ(counters().Rx, 1);

  // Worse: a new request is pending; the old frame must not pass for its reply.
  EXPECT_EQ(tick(), readRequest(1100));
  master.DataReceived(&port, 205);
  EXPECT_EQ(blocks.size(), 1u) << "block 1000's registers shown as block 1100";
  EXPECT_EQ(counters().Rx, 1);
  EXPECT_TRUE(master.GetPocitadlo().IsPending());
}

TEST_F(MasterOnPty, AWholeReplyWaitingAtTheTickIsTakenNotPurged) {
  EXPECT_EQ(tick(), readRequest(1000));
  link.write(readReply(1, 1000));
  // The bytes are in, but the machine was too busy to hand their notification over.
  QElapsedTimer t;
  t.start();
  while (port.BytesWaiting() < 205 && t.elapsed() < 3000) QThread::msleep(1);
  ASSERT_EQ(port.BytesWaiting(), 205);
  EXPECT_EQ(tick(), readRequest(1100));
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].first, 1000);
  EXPECT_EQ(blocks[0].second, modelBlock(1000));
  EXPECT_EQ(counters().Rx, 1);
  processEventsFor(30);  // the notification, late, changes nothing
  EXPECT_EQ(blocks.size(), 1u);
  answer(1100);
  EXPECT_EQ(counters().Rx, 2);
  EXPECT_EQ(counters().Err, 0);
}

TEST_F(MasterOnPty, MoreThanAFrameWaitingIsReadInBoundsAndTheRestDrained) {
  EXPECT_EQ(tick(), readRequest(1000));
  Bytes burst(95, 0xA5);
  const Bytes reply = readReply(1, 1000);
  burst.insert(burst.end(), reply.begin(), reply.end());
  link.write(burst);
  ASSERT_TRUE(waitUntil([&] { return counters().Err == 1; }, 3000));
  processEventsFor(30);
  EXPECT_EQ(master.GetRxFrame().Length, TCommFrame::Capacity);
  EXPECT_EQ(port.BytesWaiting(), 300 - TCommFrame::Capacity);
  EXPECT_TRUE(blocks.empty());
  EXPECT_EQ(tick(), readRequest(1100));
  EXPECT_EQ(port.BytesWaiting(), 0);
  EXPECT_EQ(counters().Err, 1);
}

TEST_F(MasterOnPty, ALateReplyIsShownUnderItsOwnBlock) {
  EXPECT_EQ(tick(), readRequest(1000));
  EXPECT_TRUE(tick(8, 50).empty());
  ASSERT_EQ(master.GetPhase(), ppPause);
  answer(1000);  // arrives during the pause
  EXPECT_EQ(blocks.back().first, 1000);
  EXPECT_EQ(blocks.back().second, modelBlock(1000));
  EXPECT_TRUE(tick(8, 50).empty());
  EXPECT_EQ(tick(), readRequest(1100));
  EXPECT_EQ(counters().Rx, 1);
  EXPECT_EQ(counters().Err, 0);
}

TEST_F(MasterOnPty, TheTailOfALateReplyIsNeverShownAsTheNextBlock) {
  EXPECT_EQ(tick(), readRequest(1000));
  const Bytes late = readReply(1, 1000);
  link.write(Bytes(late.begin(), late.begin() + 100));
  settle(100);
  EXPECT_EQ(tick(), readRequest(1100));
  // The rest of the old reply, then the answer to the new request, back to back.
  Bytes rest(late.begin() + 100, late.end());
  const Bytes next = readReply(1, 1100);
  rest.insert(rest.end(), next.begin(), next.end());
  link.write(rest);
  ASSERT_TRUE(waitUntil([&] { return counters().Err == 1; }, 3000));
  processEventsFor(250);  // a further data-waiting notification must change nothing
  for (const Block& b : blocks) EXPECT_NE(b.second, modelBlock(1000));
  EXPECT_TRUE(blocks.empty());
  EXPECT_EQ(tick(), readRequest(1200));
  answer(1200);
  EXPECT_EQ(blocks.back().first, 1200);
  EXPECT_EQ(blocks.back().second, modelBlock(1200));
}

TEST_F(MasterOnPty, AConnectAfterADisconnectWhileAwaitingPausesFirst) {
  EXPECT_EQ(tick(), readRequest(1000));
  master.Disconnect();
  EXPECT_FALSE(master.GetTimer().isActive());
  master.Connect(Com);
  EXPECT_TRUE(master.GetTimer().isActive());
  master.HoldTimer();
  EXPECT_EQ(counters().Tx, 0);
  EXPECT_TRUE(tick(8, 50).empty());
  EXPECT_EQ(master.GetPhase(), ppPause);
  EXPECT_TRUE(tick(8, 50).empty());
  EXPECT_EQ(tick(), readRequest(1000));
}

TEST_F(MasterOnPty, WriteMultipleRegistersSendsFunction16) {
  const std::array<uint16_t, 4> rom = {0x28FF, 0x0102, 0x0304, 0x0506};
  master.WriteMultipleRegisters(rom, 390);
  const Bytes expected =
      withCrc({0x01, 0x10, 0x01, 0x86, 0x00, 0x04, 0x08, 0x28, 0xFF, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
  EXPECT_EQ(link.read(expected.size()), expected);
  EXPECT_FALSE(master.GetPocitadlo().IsPending());
  EXPECT_EQ(counters().Tx, 0) << "a write expects no reply and is not counted";
}

TEST_F(MasterOnPty, AListLongerThanTheQueueIsRefusedWhole) {
  std::vector<TRegisterWrite> many(TModbusKomunikator::MaxQueuedWrites + 1, TRegisterWrite{1, 1010});
  EXPECT_FALSE(master.QueueWrites(many));
  EXPECT_EQ(master.QueuedWrites(), 0);
  many.pop_back();
  EXPECT_TRUE(master.QueueWrites(many));
  EXPECT_EQ(master.QueuedWrites(), TModbusKomunikator::MaxQueuedWrites);
}

TEST_F(MasterOnPty, SlaveAddressIsUsedFromTheNextRequestOn) {
  master.SetSlaveAddress(247);
  EXPECT_EQ(master.GetSlaveAddress(), 247);
  EXPECT_EQ(tick(), readRequest(1000, 247));
}

TEST_F(MasterOnPty, AHangUpEndsInTheErrorReportAndTheCountersShowTheLostLink) {
  std::vector<std::string> reported;
  setErrorHandler([&](const std::exception& e) {
    reported.push_back(e.what());
    port.ClosePort();  // what the main window does after a read error
  });
  EXPECT_EQ(tick(), readRequest(1000));
  answer(1000);
  link.hangUp();
  ASSERT_TRUE(waitUntil([&] { return !reported.empty(); }, 3000));
  EXPECT_EQ(reported.front(), "Read data error - AfComPort1 ");
  EXPECT_FALSE(master.IsActive());
  // The poll goes on against the closed port: requests counted, never answered.
  for (int i = 0; i < 6; ++i) master.TimerTick();
  const TPocitadloValues c = counters();
  EXPECT_EQ(c.Tx, 3);
  EXPECT_EQ(c.Err, 1);
  EXPECT_TRUE(c.Timeout);
  EXPECT_EQ(blocks.size(), 1u);
}

TEST(MasterOnClosedPort, InactivePortIsReportedForQueuedAndMultipleWrites) {
  TAfComPort port;
  TModbusKomunikator master(port);
  auto& prompts = scriptedPrompts();
  prompts.expect(PromptKind::Information);
  prompts.expect(PromptKind::Information);
  EXPECT_FALSE(master.QueueWrites(std::vector<TRegisterWrite>{{1, 1010}}));
  const std::array<uint16_t, 4> rom{};
  master.WriteMultipleRegisters(rom, 0);
  EXPECT_EQ(prompts.texts(PromptKind::Information),
            (std::vector<QString>{"Communication port is inactive.", "Communication port is inactive."}));
  EXPECT_EQ(master.QueuedWrites(), 0);
}

TEST(MasterOnClosedPort, ReadsAreStillCountedAsSentAndPending) {
  TAfComPort port;
  TModbusKomunikator master(port);
  master.ReadHoldingRegisters(0);
  master.ReadHoldingRegisters(100);
  const TPocitadloValues c = master.GetPocitadlo().Values();
  EXPECT_EQ(c.Tx, 2);
  EXPECT_EQ(c.Err, 1);
  EXPECT_TRUE(c.Timeout);
  EXPECT_FALSE(master.ReadFrame());
}

TEST(MasterOnClosedPort, StartsWithItsDefaults) {
  TAfComPort port;
  TModbusKomunikator master(port);
  EXPECT_EQ(master.GetSlaveAddress(), 1);
  EXPECT_EQ(master.GetPollInterval(), 500u);
  EXPECT_EQ(master.GetTimer().interval(), 500);
  EXPECT_FALSE(master.GetTimer().isActive());
  EXPECT_EQ(master.GetPhase(), ppPolling);
  EXPECT_FALSE(master.IsActive());
}

TEST(MasterOnClosedPort, OutOfRangeIndicesAreRefused) {
  TAfComPort port;
  TModbusKomunikator master(port);
  EXPECT_THROW(master.SetNextBlock(7), std::out_of_range);
  EXPECT_THROW(master.GetRegister(100), std::out_of_range);
  EXPECT_THROW(master.GetRegister(-1), std::out_of_range);
}

TEST(MasterOnClosedPort, ConnectToAMissingPortPassesTheErrorAndLeavesTheTimerOff) {
  TAfComPort port;
  TModbusKomunikator master(port);
  EXPECT_THROW(master.Connect(150), EAfComPortCoreError);
  EXPECT_FALSE(master.GetTimer().isActive());
}

TEST(Communicator, FreeingItUnbindsThePortNotification) {
  PtyLink link(9);
  TAfComPort port;
  auto master = std::make_unique<TModbusKomunikator>(port);
  master->Connect(9);
  EXPECT_TRUE(static_cast<bool>(port.OnDataRecived));
  master.reset();
  EXPECT_FALSE(static_cast<bool>(port.OnDataRecived));
  link.write(readReply(1, 0));  // the port goes on notifying
  processEventsFor(300);
  EXPECT_TRUE(port.IsOpen());
}

struct BaudCase {
  int baud;
  uint32_t period;
};
void PrintTo(const BaudCase& c, std::ostream* os) { *os << c.baud << " Bd"; }

class PollPeriodFromBaud : public ::testing::TestWithParam<BaudCase> {};

TEST_P(PollPeriodFromBaud, IsFourMillionEightHundredThousandDivBaudButAtLeast300) {
  TAfComPort port;
  TModbusKomunikator master(port);
  master.SetBaudRate(GetParam().baud);
  EXPECT_EQ(master.GetPollInterval(), GetParam().period);
  EXPECT_EQ(master.GetTimer().interval(), static_cast<int>(GetParam().period));
  EXPECT_EQ(master.GetBaudRate(), GetParam().baud);
  EXPECT_EQ(port.BaudRate(), brUser);
}

INSTANTIATE_TEST_SUITE_P(OfferedRates, PollPeriodFromBaud,
                         ::testing::Values(BaudCase{1200, 4000}, BaudCase{1800, 2666}, BaudCase{2400, 2000},
                                           BaudCase{4800, 1000}, BaudCase{7200, 666}, BaudCase{9600, 500},
                                           BaudCase{14400, 333}, BaudCase{19200, 300}, BaudCase{57600, 300},
                                           BaudCase{115200, 300}, BaudCase{230400, 300}),
                         [](const auto& info) { return std::to_string(info.param.baud); });

TEST(PollPeriodFromBaud, ZeroLeavesThePeriod) {
  TAfComPort port;
  TModbusKomunikator master(port);
  master.SetBaudRate(9600);
  master.SetBaudRate(0);
  EXPECT_EQ(port.UserBaudRate(), 0);
  EXPECT_EQ(master.GetPollInterval(), 500u);
  master.SetPollInterval(1234);
  EXPECT_EQ(master.GetTimer().interval(), 1234);
}

// The one wall-clock test: the running timer keeps the write spacing and the pause.
TEST(PollTiming, QueuedWritesThenPauseThenPeriodOnTheRunningTimer) {
  PtyLink link(11);
  TAfComPort port;
  TModbusKomunikator master(port);
  master.SetPollInterval(300);
  master.Connect(11);
  ASSERT_TRUE(master.QueueWrites(std::vector<TRegisterWrite>{{1, 1010}, {2, 1010}, {3, 1010}}));
  QElapsedTimer clock;
  clock.start();
  std::vector<std::pair<qint64, Bytes>> frames;
  Bytes received;
  waitUntil(
      [&] {
        const Bytes b = link.read(64, 1);
        received.insert(received.end(), b.begin(), b.end());
        while (received.size() >= 8) {
          frames.emplace_back(clock.elapsed(), Bytes(received.begin(), received.begin() + 8));
          received.erase(received.begin(), received.begin() + 8);
        }
        return frames.size() >= 4;
      },
      6000);
  master.Disconnect();
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0].second, writeRequest(1, 1010));
  EXPECT_EQ(frames[2].second, writeRequest(3, 1010));
  EXPECT_EQ(frames[3].second, readRequest(1000));
  for (int i = 1; i < 3; ++i) {
    EXPECT_GE(frames[i].first - frames[i - 1].first, 30);
    EXPECT_LE(frames[i].first - frames[i - 1].first, 300);
  }
  const qint64 gap = frames[3].first - frames[2].first;
  EXPECT_GE(gap, 1200);
  EXPECT_LE(gap, 3000);
}

}  // namespace
}  // namespace pellix::test
