#pragma once
// A connected master on a pty whose far side the test plays, with the poll timer held
// so that each test drives the poll tick by tick.
#include "ModbusKomunikator.h"
#include "ModbusReplies.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

namespace pellix::test {

class TestMaster : public TModbusKomunikator {
 public:
  using TModbusKomunikator::TModbusKomunikator;
  // The timer keeps its interval; only the test calls TimerTick.
  void HoldTimer() { Timer.stop(); }
};

Bytes readRequest(uint16_t start, uint8_t slave = 1);
Bytes writeRequest(uint16_t value, uint16_t address, uint8_t slave = 1);
std::array<uint16_t, 100> modelBlock(uint16_t start);

class MasterOnPty : public ::testing::Test {
 protected:
  static constexpr int Com = 7;
  using Block = std::pair<uint16_t, std::array<uint16_t, 100>>;

  void SetUp() override;
  void TearDown() override;

  // One poll tick; returns what reached the far side within timeoutMs (expecting n bytes).
  Bytes tick(std::size_t n = 8, int timeoutMs = 1000);
  // The far side answers the read of start; waits until the master has taken it.
  void answer(uint16_t start);
  // Waits until the port holds exactly n unread bytes and their notifications have run.
  void settle(int n);
  TPocitadloValues counters() const { return master.GetPocitadlo().Values(); }

  PtyLink link{Com};
  TAfComPort port;
  TestMaster master{port};
  std::vector<Block> blocks;  // every OnRegisters: polled address and registers
};

}  // namespace pellix::test
