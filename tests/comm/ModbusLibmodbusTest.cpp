// End to end: the master polls a libmodbus RTU slave over a pty with its running timer.
#include "LibmodbusSlave.h"
#include "ModbusKomunikator.h"
#include "ModbusReplies.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <vector>

namespace pellix::test {
namespace {

class AgainstLibmodbus : public ::testing::Test {
 protected:
  static constexpr int Com = 12;

  void SetUp() override {
    master.OnRegisters = [this] {
      std::array<uint16_t, 100> r;
      master.GetRegisters(r);
      order.push_back(master.GetPolledAddress());
      last[master.GetPolledAddress()] = r;
    };
    // The tool's shortest period: a reply later than one period is a timeout by design, and
    // a busy machine can hold a reply back longer than a few tens of ms.
    master.SetPollInterval(300);
    master.Connect(Com);
  }
  void TearDown() override { master.Disconnect(); }

  std::array<uint16_t, 100> slaveBlock(uint16_t start) const {
    std::array<uint16_t, 100> r{};
    for (int i = 0; i < 100; ++i) r[i] = slave.reg(start + i);
    return r;
  }

  PtyLink link{Com};
  LibmodbusSlave slave{link.masterFd()};
  TAfComPort port;
  TModbusKomunikator master{port};
  std::vector<uint16_t> order;
  std::map<uint16_t, std::array<uint16_t, 100>> last;
};

TEST_F(AgainstLibmodbus, AConnectReadsAllSevenBlocksAndTheRegistersMatch) {
  ASSERT_TRUE(waitUntil([&] { return order.size() >= 7; }, 15000)) << order.size();
  EXPECT_EQ(std::vector<uint16_t>(order.begin(), order.begin() + 7),
            (std::vector<uint16_t>{1000, 1100, 1200, 0, 100, 200, 300}));
  slave.stop();
  for (uint16_t start : PollBlocks) EXPECT_EQ(last[start], slaveBlock(start)) << start;
  const TPocitadloValues c = master.GetPocitadlo().Values();
  EXPECT_GE(c.Rx, 7);
  EXPECT_EQ(c.Err, 0);
  EXPECT_FALSE(c.Timeout);
}

TEST_F(AgainstLibmodbus, WritesOfBothKindsLandAndShowInTheNextReads) {
  ASSERT_TRUE(waitUntil([&] { return !order.empty(); }, 10000));
  ASSERT_TRUE(master.QueueWrites(std::vector<TRegisterWrite>{{0x05FF, 1010}, {77, 1053}}));
  const std::array<uint16_t, 4> rom = {0x28AA, 0xBBCC, 0xDDEE, 0xFF01};
  master.WriteMultipleRegisters(rom, 390);
  order.clear();
  last.clear();
  // The queue, the pause, then a whole cycle of reads.
  ASSERT_TRUE(waitUntil([&] { return last.size() >= 7; }, 18000)) << last.size();
  EXPECT_EQ(last[1000][10], 0x05FF);
  EXPECT_EQ(last[1000][53], 77);
  EXPECT_EQ(last[300][90], 0x28AA);
  EXPECT_EQ(last[300][93], 0xFF01);
  slave.stop();
  EXPECT_EQ(slave.reg(1010), 0x05FF);
  EXPECT_EQ(slave.reg(393), 0xFF01);
  EXPECT_FALSE(master.GetPocitadlo().IsTimeout());
}

TEST_F(AgainstLibmodbus, AnotherSlaveAddressIsNeverAnswered) {
  ASSERT_TRUE(waitUntil([&] { return !order.empty(); }, 10000));
  master.SetSlaveAddress(5);
  ASSERT_TRUE(waitUntil([&] { return master.GetPocitadlo().IsTimeout(); }, 15000));
  const std::size_t seen = order.size();
  master.SetSlaveAddress(1);
  ASSERT_TRUE(waitUntil([&] { return order.size() > seen; }, 15000));
  EXPECT_FALSE(master.GetPocitadlo().IsTimeout());
}

}  // namespace
}  // namespace pellix::test
