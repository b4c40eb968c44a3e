// End to end against the simulated gateway: the same poll, a gateway's register map.
#include "ModbusKomunikator.h"
#include "Simulator.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace pellix::test {
namespace {

class AgainstSimulator : public ::testing::Test {
 protected:
  static constexpr int Com = 14;

  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim.start(&error)) << error;
    ASSERT_FALSE(sim.linkAsCom(Com, &error).empty()) << error;
    master.OnRegisters = [this] {
      std::array<uint16_t, 100> r;
      master.GetRegisters(r);
      order.push_back(master.GetPolledAddress());
      last[master.GetPolledAddress()] = r;
    };
    // The tool's shortest period: a reply later than one period is a timeout by design, and
    // a busy machine can hold a reply back longer than a few tens of ms.
    master.SetPollInterval(300);
  }
  void TearDown() override {
    master.Disconnect();
    sim.stop();
  }
  uint16_t modelAt(uint16_t address) {
    return sim.withModel([&](gwsim::GatewayModel& m) { return m.registerAt(address); });
  }

  gwsim::Simulator sim;
  TAfComPort port;
  TModbusKomunikator master{port};
  std::vector<uint16_t> order;
  std::map<uint16_t, std::array<uint16_t, 100>> last;
};

TEST_F(AgainstSimulator, AConnectReadsAllSevenBlocksAsTheGatewayServesThem) {
  master.Connect(Com);
  ASSERT_TRUE(waitUntil([&] { return order.size() >= 7; }, 15000)) << order.size();
  EXPECT_EQ(std::vector<uint16_t>(order.begin(), order.begin() + 7),
            (std::vector<uint16_t>{1000, 1100, 1200, 0, 100, 200, 300}));
  for (uint16_t start : PollBlocks)
    for (int i = 0; i < 100; ++i) ASSERT_EQ(last[start][i], modelAt(start + i)) << start + i;
  EXPECT_EQ(last[RegisterMap::ServiceBlock][RegisterMap::FirmwareVersion - RegisterMap::ServiceBlock], 109);
  EXPECT_EQ(master.GetPocitadlo().Values().Err, 0);
}

TEST_F(AgainstSimulator, InjectedFaultsAreCountedAndThePollRecovers) {
  gwsim::Faults f;
  f.badCrc.count = 1;
  sim.setFaults(f);
  master.Connect(Com);
  ASSERT_TRUE(waitUntil([&] { return order.size() >= 7; }, 18000)) << order.size();
  const TPocitadloValues c = master.GetPocitadlo().Values();
  EXPECT_EQ(c.Err, 1);
  EXPECT_FALSE(c.Timeout);
  EXPECT_EQ(order.front(), 1100) << "the block with the bad CRC is not shown";
}

}  // namespace
}  // namespace pellix::test
