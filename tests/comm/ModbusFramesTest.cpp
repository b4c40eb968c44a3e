// Request frames and the CRC, checked against published check values and a bit-by-bit CRC.
#include "ModbusFrames.h"
#include "RegisterMap.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

using namespace pellix::modbus;

namespace {

std::vector<uint8_t> bytesOf(const TCommFrame& f) { return {f.Data, f.Data + f.Length}; }

struct FrameCase {
  const char* name;
  std::function<void(TCommFrame&)> build;
  std::vector<uint8_t> wire;
};

class RequestFrame : public ::testing::TestWithParam<FrameCase> {};

TEST_P(RequestFrame, MatchesTheWireBytes) {
  TCommFrame f;
  f.Length = 99;  // a builder starts from byte 0 whatever was there
  GetParam().build(f);
  AppendCrc(f);
  EXPECT_EQ(bytesOf(f), GetParam().wire);
  EXPECT_TRUE(CheckCrc(f));
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RequestFrame,
    ::testing::Values(
        FrameCase{"ReadBlock0",
                  [](TCommFrame& f) { BuildReadHoldingRegisters(f, 1, RegisterMap::ChannelBlock0, 100); },
                  {0x01, 0x03, 0x00, 0x00, 0x00, 0x64, 0x44, 0x21}},
        FrameCase{"ReadBlock1000",
                  [](TCommFrame& f) { BuildReadHoldingRegisters(f, 1, RegisterMap::ServiceBlock, 100); },
                  {0x01, 0x03, 0x03, 0xE8, 0x00, 0x64, 0xC4, 0x51}},
        FrameCase{"FindNewOnLine1",
                  [](TCommFrame& f) {
                    BuildWriteSingleRegister(f, 1, RegisterMap::Line1Command, RegisterMap::CmdFindNew);
                  },
                  {0x01, 0x06, 0x03, 0xF2, 0x05, 0xFF, 0x6B, 0x6D}},
        // Only the low byte of the quantity goes on the wire.
        FrameCase{"QuantityHighByteDropped",
                  [](TCommFrame& f) { BuildReadHoldingRegisters(f, 0xF7, 0x1234, 0x0164); },
                  {0xF7, 0x03, 0x12, 0x34, 0x00, 0x64, 0x14, 0x01}},
        FrameCase{"WriteRomCodeOfChannel40",
                  [](TCommFrame& f) {
                    const uint16_t rom[4] = {0x28FF, 0x1234, 0x5678, 0x9ABC};
                    BuildWriteMultipleRegisters(f, 0x11, RegisterMap::ChannelBase(40), rom);
                  },
                  {0x11, 0x10, 0x01, 0x86, 0x00, 0x04, 0x08, 0x28, 0xFF, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC,
                   0xEA, 0x06}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ModbusCrc, CheckValueOf123456789) {
  const uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(Crc16(text, sizeof text), 0x4B37);
  TCommFrame f;
  std::copy(std::begin(text), std::end(text), f.Data);
  f.Length = sizeof text;
  AppendCrc(f);
  ASSERT_EQ(f.Length, 11);
  EXPECT_EQ(f.Data[9], 0x37);  // low byte first
  EXPECT_EQ(f.Data[10], 0x4B);
}

TEST(ModbusCrc, EmptyInputIsTheInitialValue) { EXPECT_EQ(Crc16(nullptr, 0), 0xFFFF); }

TEST(ModbusCrc, TableEqualsBitwiseOnRandomData) {
  std::mt19937 rng(20261208);
  std::vector<uint8_t> data(1 << 16);
  for (auto& b : data) b = static_cast<uint8_t>(rng());
  for (std::size_t len : {1u, 2u, 7u, 205u, 4096u, 65536u})
    EXPECT_EQ(Crc16(data.data(), len), Crc16Bitwise(data.data(), len)) << len;
  // Every single byte value, at every position of a short frame.
  for (int v = 0; v < 256; ++v) {
    uint8_t buf[3] = {0x01, static_cast<uint8_t>(v), 0x5A};
    EXPECT_EQ(Crc16(buf, 3), Crc16Bitwise(buf, 3)) << v;
  }
}

TEST(ModbusCrc, CheckCrcRejectsEveryFlippedBit) {
  TCommFrame f;
  BuildReadHoldingRegisters(f, 1, RegisterMap::SearchResultsLine2, 100);
  AppendCrc(f);
  ASSERT_TRUE(CheckCrc(f));
  for (int i = 0; i < f.Length; ++i)
    for (int bit = 0; bit < 8; ++bit) {
      TCommFrame g = f;
      g.Data[i] ^= static_cast<uint8_t>(1 << bit);
      EXPECT_FALSE(CheckCrc(g)) << "byte " << i << " bit " << bit;
    }
}

TEST(ModbusCrc, CheckCrcOfTooShortFramesIsFalse) {
  TCommFrame f;
  f.Length = 0;
  EXPECT_FALSE(CheckCrc(f));
  f.Length = 1;
  f.Data[0] = 0xFF;
  EXPECT_FALSE(CheckCrc(f));
  // Two bytes are the CRC of nothing: FF FF.
  f.Length = 2;
  f.Data[1] = 0xFF;
  EXPECT_TRUE(CheckCrc(f));
}

TEST(ModbusCrc, AppendCrcRefusesToOverrunTheBuffer) {
  TCommFrame f;
  f.Length = TCommFrame::Capacity - 1;
  EXPECT_THROW(AppendCrc(f), std::length_error);
  EXPECT_EQ(f.Length, TCommFrame::Capacity - 1);
  f.Length = TCommFrame::Capacity - 2;
  AppendCrc(f);
  EXPECT_EQ(f.Length, TCommFrame::Capacity);
  EXPECT_TRUE(CheckCrc(f));
}

TEST(WriteMultipleFrame, LargestRequestFillsTheFrameExactly) {
  std::vector<uint16_t> values(MaxWriteMultipleCount);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<uint16_t>(0x0101 * i);
  TCommFrame f;
  BuildWriteMultipleRegisters(f, 1, 1375, values);
  AppendCrc(f);
  EXPECT_EQ(f.Length, 9 + 2 * MaxWriteMultipleCount);
  EXPECT_EQ(f.Data[5], MaxWriteMultipleCount);
  EXPECT_EQ(f.Data[6], 2 * MaxWriteMultipleCount);
  EXPECT_EQ(f.Data[7 + 2 * 120], 0x78);  // 0x0101 * 120 = 0x7878, high byte first
  EXPECT_TRUE(CheckCrc(f));
}

TEST(WriteMultipleFrame, RefusesWhatDoesNotFitOrIsEmpty) {
  TCommFrame f;
  std::vector<uint16_t> tooMany(MaxWriteMultipleCount + 1);
  EXPECT_THROW(BuildWriteMultipleRegisters(f, 1, 0, tooMany), std::length_error);
  EXPECT_THROW(BuildWriteMultipleRegisters(f, 1, 0, std::span<const uint16_t>()), std::length_error);
}

TEST(ReplyRegisters, AreBigEndianAfterTheThreeHeaderBytes) {
  TCommFrame f;
  f.Data[3] = 0xAB;
  f.Data[4] = 0xCD;
  f.Data[3 + 2 * 99] = 0x01;
  f.Data[4 + 2 * 99] = 0x02;
  EXPECT_EQ(ReplyRegister(f, 0), 0xABCD);
  EXPECT_EQ(ReplyRegister(f, 99), 0x0102);
}

}  // namespace
