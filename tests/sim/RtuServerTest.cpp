#include "Crc.h"
#include "RtuServer.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace pellix::gwsim;
using namespace pellix::gwsim::test;

namespace {

struct CrcCase {
  Frame body;
  std::uint8_t low, high;
};

void PrintTo(const CrcCase& c, std::ostream* os) { *os << hexBytes(c.body.data(), c.body.size()); }

class ModbusCrc : public ::testing::TestWithParam<CrcCase> {};

TEST_P(ModbusCrc, MatchesTheCheckValues) {
  Frame f = GetParam().body;
  appendCrc(f);
  ASSERT_EQ(f.size(), GetParam().body.size() + 2);
  EXPECT_EQ(f[f.size() - 2], GetParam().low);
  EXPECT_EQ(f[f.size() - 1], GetParam().high);
  EXPECT_TRUE(crcOk(f));
  f[1] ^= 1;
  EXPECT_FALSE(crcOk(f));
}

INSTANTIATE_TEST_SUITE_P(Frames, ModbusCrc,
                         ::testing::Values(CrcCase{{'1', '2', '3', '4', '5', '6', '7', '8', '9'}, 0x37, 0x4B},
                                           CrcCase{{0x01, 0x03, 0x00, 0x00, 0x00, 0x64}, 0x44, 0x21},
                                           CrcCase{{0x01, 0x03, 0x03, 0xE8, 0x00, 0x64}, 0xC4, 0x51},
                                           CrcCase{{0x01, 0x06, 0x03, 0xF2, 0x05, 0xFF}, 0x6B, 0x6D}));

TEST(RtuServerTest, ReadOfABlockIs205BytesWithTheModelsRegisters) {
  GatewayModel m = Plant{}.model();
  for (std::uint16_t block : {0, 100, 200, 300, 1000, 1100, 1200}) {
    const auto reply = handleRequest(request(1, 3, block, 100), 1, m);
    ASSERT_TRUE(reply) << block;
    ASSERT_EQ(reply->size(), 205u);
    EXPECT_EQ((*reply)[0], 1);
    EXPECT_EQ((*reply)[1], 3);
    EXPECT_EQ((*reply)[2], 200);
    EXPECT_TRUE(crcOk(*reply));
    const auto regs = registersOf(*reply);
    for (std::uint16_t i = 0; i < 100; ++i) EXPECT_EQ(regs[i], m.registerAt(block + i)) << block + i;
  }
}

TEST(RtuServerTest, WriteSingleIsEchoedAndExecuted) {
  GatewayModel m = Plant{}.model();
  const Frame rq = request(1, 6, 1010, 0x05FF);
  const auto reply = handleRequest(rq, 1, m);
  ASSERT_TRUE(reply);
  EXPECT_EQ(*reply, rq);
  EXPECT_EQ(m.registerAt(1011), 0xFFFF);
}

TEST(RtuServerTest, WriteMultipleIsAnsweredWithAddressAndCount) {
  const Plant p;
  GatewayModel m = p.model();
  const Frame rq = writeMultiple(1, 30, {p.b.words.begin(), p.b.words.end()});
  const auto reply = handleRequest(rq, 1, m);
  ASSERT_TRUE(reply);
  Frame expected(rq.begin(), rq.begin() + 6);
  appendCrc(expected);
  EXPECT_EQ(*reply, expected);
  EXPECT_EQ(m.assignment(3), p.b);
}

struct ExceptionCase {
  const char* name;
  Frame request;
  std::uint8_t function;
  std::uint8_t code;
};

Frame withCrc(Frame f) {
  appendCrc(f);
  return f;
}

void PrintTo(const ExceptionCase& c, std::ostream* os) { *os << c.name; }

class ExceptionReply : public ::testing::TestWithParam<ExceptionCase> {};

TEST_P(ExceptionReply, CarriesTheCode) {
  GatewayModel m;
  const auto reply = handleRequest(GetParam().request, 1, m);
  ASSERT_TRUE(reply);
  ASSERT_EQ(reply->size(), 5u);
  EXPECT_EQ((*reply)[0], 1);
  EXPECT_EQ((*reply)[1], GetParam().function | 0x80);
  EXPECT_EQ((*reply)[2], GetParam().code);
  EXPECT_TRUE(crcOk(*reply));
}

INSTANTIATE_TEST_SUITE_P(
    Modbus, ExceptionReply,
    ::testing::Values(ExceptionCase{"ReadOf126", request(1, 3, 0, 126), 3, 3},
                      ExceptionCase{"ReadOfNone", request(1, 3, 0, 0), 3, 3},
                      ExceptionCase{"ReadOutsideTheMap", request(1, 3, 400, 100), 3, 2},
                      ExceptionCase{"ReadAcrossTheTableEnd", request(1, 3, 350, 100), 3, 2},
                      ExceptionCase{"InputRegisters", request(1, 4, 0, 100), 4, 1},
                      ExceptionCase{"Coils", request(1, 1, 0, 8), 1, 1},
                      ExceptionCase{"WriteReadOnlyVersion", request(1, 6, 1000, 110), 6, 2},
                      ExceptionCase{"WriteBadBaudCode", request(1, 6, 1002, 5), 6, 3},
                      ExceptionCase{"WriteSingleIntoRomCode", request(1, 6, 0, 0x2800), 6, 2},
                      ExceptionCase{"WriteMultipleByteCountMismatch",
                                    withCrc({1, 16, 0, 0, 0, 4, 6, 0x28, 0, 0, 1, 0, 2}), 16, 3},
                      ExceptionCase{"WriteMultipleOf124", withCrc([] {
                                      Frame f{1, 16, 0x05, 0x5F, 0, 124, 248};
                                      f.resize(7 + 248, 0xFF);
                                      return f;
                                    }()),
                                    16, 3},
                      ExceptionCase{"EraseOfSector31", writeMultiple(1, 1376, {31}), 16, 3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtuServerTest, SilentOnBadCrcOtherSlaveAndBroadcast) {
  const Plant p;
  GatewayModel m = p.model();
  Frame bad = request(1, 3, 0, 100);
  bad.back() ^= 0xFF;
  EXPECT_FALSE(handleRequest(bad, 1, m));
  EXPECT_FALSE(handleRequest(request(2, 3, 0, 100), 1, m));
  EXPECT_FALSE(handleRequest(request(0, 3, 0, 100), 1, m));
  // A broadcast write is carried out, but never answered.
  EXPECT_FALSE(handleRequest(request(0, 6, 1010, 0x0F00), 1, m));
  EXPECT_FALSE(m.assignment(0));
  EXPECT_TRUE(handleRequest(request(7, 3, 0, 100), 7, m));
}

TEST(RtuServerTest, RequestLengthComesFromTheHeader) {
  const Frame read = request(1, 3, 0, 100);
  EXPECT_EQ(requestLength(read.data(), 1), 0u);
  EXPECT_EQ(requestLength(read.data(), 2), 8u);
  const Frame block = writeMultiple(1, 1375, std::vector<std::uint16_t>(97, 0xFFFF));
  EXPECT_EQ(block.size(), 203u);
  EXPECT_EQ(requestLength(block.data(), 6), 0u);
  EXPECT_EQ(requestLength(block.data(), 7), 203u);
  const Frame other{1, 4, 0, 0};
  EXPECT_EQ(requestLength(other.data(), other.size()), 0u);
}

TEST(RtuServerTest, DescribesFramesForTheLog) {
  EXPECT_EQ(describeRequest(request(1, 3, 1000, 100)), "slave 1 read 100 registers from 1000");
  EXPECT_EQ(describeRequest(request(1, 6, 1010, 0x05FF)), "slave 1 write 1010 = 0x05FF (1535)");
  EXPECT_EQ(describeRequest(writeMultiple(1, 0, {0x28FF, 1, 2, 3})),
            "slave 1 write 4 registers from 0: 28FF 0001 0002 0003");
  GatewayModel m;
  EXPECT_EQ(describeReply(*handleRequest(request(1, 3, 500, 1), 1, m)),
            "exception 02 (illegal data address) to function 3");
}

}  // namespace
