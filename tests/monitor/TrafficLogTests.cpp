// The traffic monitor's log: what each kind of frame reads as, the ring's bound, and the
// faults of the simulated gateway shown one for one with what the counters count.
#include "FrameDecoder.h"
#include "ModbusKomunikator.h"
#include "Simulator.h"
#include "TestSupport.h"
#include "TrafficLog.h"

#include <gtest/gtest.h>

#include <vector>

namespace pellix::monitor {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes WithCrc(Bytes b) {
  const uint16_t crc = pellix::modbus::Crc16(b.data(), b.size());
  b.push_back(static_cast<uint8_t>(crc & 0xFF));
  b.push_back(static_cast<uint8_t>(crc >> 8));
  return b;
}

Bytes ReadReply(int registers) {
  Bytes b{1, 3, static_cast<uint8_t>(2 * registers)};
  b.resize(3 + 2 * registers, 0x11);
  return WithCrc(b);
}

const Bytes ReadBlock1000 = WithCrc({1, 3, 0x03, 0xE8, 0, 100});

TEST(FrameDecoder, RequestsNameTheirRegistersAndCommandWords) {
  EXPECT_EQ(DecodeRequest(ReadBlock1000).Text,
            QStringLiteral("Read 100 registers from 1000 (service block)"));
  EXPECT_EQ(DecodeRequest(WithCrc({1, 3, 0, 200, 0, 100})).Text,
            QStringLiteral("Read 100 registers from 200 (channels 20..29)"));
  EXPECT_EQ(DecodeRequest(WithCrc({1, 6, 0x03, 0xF2, 0x05, 0xFF})).Text,
            QStringLiteral("Write register 1010 = 0x05FF: Find new (0x05FF) on line 1"));
  EXPECT_EQ(DecodeRequest(WithCrc({1, 6, 0x03, 0xFC, 0x83, 0x16})).Text,
            QStringLiteral("Write register 1020 = 0x8316: Save (0x8316) search result 3 into channel 22"));
  EXPECT_EQ(DecodeRequest(WithCrc({1, 0x10, 0, 120, 0, 4, 8, 0x28, 0, 0, 0, 0, 0, 0, 0})).Text,
            QStringLiteral("Write 4 registers from 120 (ROM code of channel 12)"));
  const Decoded broken = DecodeRequest(Bytes{1, 6, 0x03, 0xF2, 0x05, 0xFF, 0, 0});
  EXPECT_TRUE(broken.Bad);
}

TEST(FrameDecoder, RepliesAreReadInTheLightOfTheirRequest) {
  EXPECT_EQ(DecodeReply(ReadReply(100), ReadBlock1000).Text,
            QStringLiteral("Reply: 100 registers from 1000 (service block)"));
  EXPECT_FALSE(DecodeReply(ReadReply(100), ReadBlock1000).Bad);

  const Bytes full = ReadReply(100);
  const Decoded cut = DecodeReply(Bytes(full.begin(), full.begin() + 102), ReadBlock1000);
  EXPECT_EQ(cut.Text, QStringLiteral("short reply (102 of 205 bytes)"));
  EXPECT_TRUE(cut.Bad);

  Bytes corrupted = full;
  corrupted.back() ^= 0x55;
  EXPECT_EQ(DecodeReply(corrupted, ReadBlock1000).Text, QStringLiteral("CRC error"));
  EXPECT_TRUE(DecodeReply(corrupted, ReadBlock1000).Bad);

  const Decoded exception = DecodeReply(WithCrc({1, 0x83, 2}), ReadBlock1000);
  EXPECT_EQ(exception.Text, QStringLiteral("Exception 2: Illegal data address (function 3)"));
  EXPECT_TRUE(exception.Bad);

  // The gateway's echo of a write is the answer the write asked for, not a short reply.
  const Bytes write = WithCrc({1, 6, 0x03, 0xFC, 0x0F, 0x18});
  const Decoded echo = DecodeReply(write, write);
  EXPECT_EQ(echo.Text, QStringLiteral("Echo: Write register 1020 = 0x0F18: Delete (0x0F18) channel 24"));
  EXPECT_FALSE(echo.Bad);
}

TEST(TrafficLog, KeepsTheNewestFramesAndCountsThoseItDropped) {
  TrafficLog log(3);
  qint64 us = 0;
  log.SteadyClock = [&] { return us += 1500; };
  for (uint8_t i = 0; i < 5; ++i) log.FrameSent(Bytes{i, 3, 0, 0, 0, 100, 0, 0});
  EXPECT_EQ(log.Size(), 3);
  EXPECT_EQ(log.Dropped(), 2u);
  EXPECT_FALSE(log.Holds(1));
  EXPECT_EQ(log.At(2).Data[0], 2);
  EXPECT_EQ(log.At(4).Data[0], 4);
  EXPECT_EQ(log.Before(2), nullptr);
  EXPECT_EQ(FormatRow(log.At(3), log.Before(3)).Cells[ColDelta], QStringLiteral("1.5"));

  log.Clear();
  EXPECT_EQ(log.Size(), 0);
  EXPECT_EQ(log.Dropped(), 0u);
  log.FrameReceived(ReadReply(100));
  EXPECT_EQ(log.At(5).Length, 205);
}

TEST(TrafficLog, TextRowsAreTabSeparatedWithCrLf) {
  TrafficLog log;
  log.WallClock = [] { return qint64(0); };
  log.FrameSent(ReadBlock1000);
  log.ReplyMissed();
  std::vector<RowTexts> rows{FormatRow(log.At(0), nullptr), FormatRow(log.At(1), &log.At(0))};
  EXPECT_TRUE(rows[1].Bad);
  const QStringList lines = RowsAsText(rows, true).split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 4);  // titles, two rows, and nothing after the last CR LF
  EXPECT_EQ(lines[0], QStringLiteral("Time\tms\tDir\tLength\tBytes\tDecoded"));
  EXPECT_TRUE(
      lines[1].endsWith(QStringLiteral("\tTx\t8\t01 03 03 E8 00 64 C4 51\tRead 100 registers from 1000 "
                                       "(service block)")))
      << lines[1].toStdString();
  EXPECT_TRUE(lines[2].endsWith(QStringLiteral("\tRx\t0\t\tno reply (timeout)"))) << lines[2].toStdString();
  EXPECT_TRUE(lines[3].isEmpty());
}

// Every error the counters count is a bad row of the monitor, and every bad row an error.
TEST(TrafficLogAgainstSimulator, ShowsTheInjectedFaultsOneForOneWithTheCounters) {
  gwsim::Simulator sim;
  std::string error;
  ASSERT_TRUE(sim.start(&error)) << error;
  ASSERT_FALSE(sim.linkAsCom(15, &error).empty()) << error;
  gwsim::Faults f;
  f.badCrc.count = 2;
  f.noReply.fraction = 0.15;
  f.garbage.fraction = 0.15;
  f.seed = 7;
  sim.setFaults(f);

  TAfComPort port;
  TModbusKomunikator master(port);
  master.SetPollInterval(300);
  TrafficLog log;
  master.SetFrameObserver(&log);
  master.Connect(15);
  ASSERT_TRUE(pellix::test::waitUntil([&] { return master.GetPocitadlo().GetTx() >= 24; }, 40000));
  master.Disconnect();
  sim.stop();

  int tx = 0, good = 0, crc = 0, missed = 0, other = 0;
  for (uint64_t s = log.FirstSequence(); s < log.NextSequence(); ++s) {
    const RowTexts row = FormatRow(log.At(s), log.Before(s));
    if (row.Cells[ColDirection] == QStringLiteral("Tx"))
      ++tx;
    else if (!row.Bad)
      ++good;
    else if (row.Cells[ColDecoded] == QStringLiteral("CRC error"))
      ++crc;
    else if (row.Cells[ColDecoded] == QStringLiteral("no reply (timeout)"))
      ++missed;
    else
      ++other;
  }
  const TPocitadloValues c = master.GetPocitadlo().Values();
  EXPECT_GE(crc, 2);
  EXPECT_GE(missed, 1);
  EXPECT_EQ(tx, c.Tx);
  EXPECT_EQ(good, c.Rx);
  // The last request may still be waiting for its reply when the link closes.
  EXPECT_EQ(crc + missed, c.Err);
  EXPECT_EQ(other, 0);
}

}  // namespace
}  // namespace pellix::monitor
