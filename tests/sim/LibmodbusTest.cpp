// libmodbus is an RTU master none of us wrote: what it reads and writes through the
// simulator's link must agree with the model.
#include "SimTestSupport.h"
#include "Simulator.h"

#include <gtest/gtest.h>
#include <modbus.h>

#include <cerrno>

using namespace pellix::gwsim;
using namespace pellix::gwsim::test;

namespace {

class LibmodbusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sim.start(&error)) << error;
    link = sim.linkAsCom(9, &error);
    ASSERT_FALSE(link.empty()) << error;
    ctx = modbus_new_rtu(link.c_str(), 19200, 'N', 8, 1);
    ASSERT_NE(ctx, nullptr);
    modbus_set_slave(ctx, 1);
    modbus_set_response_timeout(ctx, 1, 0);
    ASSERT_EQ(modbus_connect(ctx), 0) << modbus_strerror(errno);
  }
  void TearDown() override {
    if (ctx) {
      modbus_close(ctx);
      modbus_free(ctx);
    }
  }
  std::vector<std::uint16_t> read(int address, int count) {
    std::vector<std::uint16_t> regs(static_cast<std::size_t>(count));
    EXPECT_EQ(modbus_read_registers(ctx, address, count, regs.data()), count) << modbus_strerror(errno);
    return regs;
  }
  std::vector<std::uint16_t> model(int address, int count) {
    return sim.withModel([&](GatewayModel& m) {
      std::vector<std::uint16_t> regs;
      for (int a = address; a < address + count; ++a)
        regs.push_back(m.registerAt(static_cast<std::uint16_t>(a)));
      return regs;
    });
  }

  Plant plant;
  Simulator sim{plant.model()};
  std::string link;
  modbus_t* ctx = nullptr;
};

TEST_F(LibmodbusTest, ReadsEveryPollBlockAsTheModelHoldsIt) {
  for (int block : {0, 100, 200, 300, 1000, 1100, 1200})
    EXPECT_EQ(read(block, 100), model(block, 100)) << block;
  EXPECT_EQ(read(1000, 120)[0], 109) << "the upgrade's version poll";
}

TEST_F(LibmodbusTest, CommandWordBySingleWriteShowsInTheServiceAndResultBlocks) {
  ASSERT_EQ(modbus_write_register(ctx, 1020, 0x07FF), 1) << modbus_strerror(errno);
  const auto service = read(1000, 100);
  EXPECT_EQ(service[20], 0x07FF);
  EXPECT_EQ(service[21], 0xFFFF);
  const auto results = read(1200, 100);
  EXPECT_EQ(results, model(1200, 100));
  EXPECT_NE(results[4], 0);
  EXPECT_NE(results[14], 0);
  EXPECT_EQ(results[15], 0) << "three devices on line 2";
}

TEST_F(LibmodbusTest, RomCodeByMultipleWriteAssignsTheChannel) {
  const std::uint16_t rom[4] = {plant.b.words[0], plant.b.words[1], plant.b.words[2], plant.b.words[3]};
  ASSERT_EQ(modbus_write_registers(ctx, 30, 4, rom), 4) << modbus_strerror(errno);
  const auto block = read(0, 100);
  EXPECT_EQ(std::vector<std::uint16_t>(block.begin() + 30, block.begin() + 34),
            std::vector<std::uint16_t>(rom, rom + 4));
  EXPECT_EQ(block[39], chstatus::kOk);
  EXPECT_EQ(sim.withModel([](GatewayModel& m) { return m.assignment(3); }), plant.b);
}

TEST_F(LibmodbusTest, SettingsWriteAndExceptionsReachTheMaster) {
  ASSERT_EQ(modbus_write_register(ctx, 1002, 1152), 1);
  EXPECT_EQ(read(1002, 1)[0], 1152);
  std::uint16_t regs[10];
  EXPECT_EQ(modbus_read_registers(ctx, 500, 10, regs), -1);
  EXPECT_EQ(errno, EMBXILADD);
  EXPECT_EQ(modbus_write_register(ctx, 1002, 5), -1);
  EXPECT_EQ(errno, EMBXILVAL);
  std::uint8_t bits[8];
  EXPECT_EQ(modbus_read_bits(ctx, 0, 8, bits), -1);
  EXPECT_EQ(errno, EMBXILFUN);
}

TEST_F(LibmodbusTest, DeleteCommandFreesTheChannel) {
  ASSERT_EQ(modbus_write_register(ctx, 1010, 0x0F00), 1);
  const auto block = read(0, 10);
  EXPECT_EQ(block, (std::vector<std::uint16_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 255}));
}

}  // namespace
