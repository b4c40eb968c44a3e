// The upgrade's request frames byte by byte, the reply check and the small helpers.
#include "ModbusFrames.h"
#include "ProgrammerTransfer.h"
#include "RegisterMap.h"

#include <gtest/gtest.h>

#include <vector>

using namespace pellix::upgrade;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes bytesOf(const TCommFrame& f) { return Bytes(f.bytes().begin(), f.bytes().end()); }

struct FixedFrame {
  const char* name;
  TCommFrame frame;
  Bytes expected;  // CRCs worked out independently of the tool's tables
};

class FixedFrameTest : public ::testing::TestWithParam<FixedFrame> {};

TEST_P(FixedFrameTest, IsByteExact) { EXPECT_EQ(bytesOf(GetParam().frame), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Requests, FixedFrameTest,
    ::testing::Values(
        FixedFrame{
            "VersionPollSlave1", BuildVersionPoll(1), {0x01, 0x03, 0x03, 0xE8, 0x00, 0x78, 0xC5, 0x98}},
        FixedFrame{
            "VersionPollSlave17", BuildVersionPoll(17), {0x11, 0x03, 0x03, 0xE8, 0x00, 0x78, 0xC7, 0x08}},
        FixedFrame{"EraseFirstSector",
                   BuildEraseRequest(1, 32),
                   {0x01, 0x10, 0x05, 0x60, 0x00, 0x01, 0x02, 0x00, 0x20, 0xFB, 0x28}},
        FixedFrame{"EraseLastSectorSlave247",
                   BuildEraseRequest(247, 62),
                   {0xF7, 0x10, 0x05, 0x60, 0x00, 0x01, 0x02, 0x00, 0x3E, 0x54, 0x84}},
        FixedFrame{"RestartSlave1", BuildRestart(1), {0x01, 0x06, 0x03, 0xF2, 0x11, 0xAA, 0xA4, 0x52}},
        FixedFrame{"RestartSlave42", BuildRestart(42), {0x2A, 0x06, 0x03, 0xF2, 0x11, 0xAA, 0xA2, 0x49}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramBlockTest, LastPartialBlockIsPaddedWithFF) {
  // A 400-byte image: the third block holds 16 image bytes and 176 bytes 0xFF.
  std::vector<uint8_t> fileBuf(FileBufSize, 0xFF);
  for (int i = 0; i < 400; ++i) fileBuf[i] = static_cast<uint8_t>(i * 7 + 3);
  const Bytes f = bytesOf(BuildProgramBlock(1, fileBuf, 384, 384));
  ASSERT_EQ(f.size(), 203u);
  const Bytes header{0x01, 0x10, 0x05, 0x5F, 0x00, 0x61, 0xC2, 0x01, 0x80};
  EXPECT_EQ(Bytes(f.begin(), f.begin() + 9), header);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(f[9 + i], static_cast<uint8_t>((384 + i) * 7 + 3)) << i;
  for (int i = 16; i < 192; ++i) EXPECT_EQ(f[9 + i], 0xFF) << i;
  EXPECT_EQ(f[201], 0x41);  // worked out independently
  EXPECT_EQ(f[202], 0x43);
}

TEST(ProgramBlockTest, CrcMatchesTheBitwiseCrc) {
  std::vector<uint8_t> fileBuf(FileBufSize, 0x5A);
  const TCommFrame f = BuildProgramBlock(9, fileBuf, 1920, 1920);
  const uint16_t crc = pellix::modbus::Crc16Bitwise(f.Data, 201);
  EXPECT_EQ(f.Data[201], crc & 0xFF);
  EXPECT_EQ(f.Data[202], crc >> 8);
}

TEST(ProgramBlockTest, OffsetTravelsModulo65536) {
  std::vector<uint8_t> fileBuf(FileBufSize, 0x00);
  const TCommFrame f = BuildProgramBlock(1, fileBuf, 65536 + 192, 65536 + 192);
  EXPECT_EQ(f.Data[7], 0x00);
  EXPECT_EQ(f.Data[8], 0xC0);
}

TEST(ProgramBlockTest, NothingIsReadOutsideTheBuffer) {
  // A block that would reach past the buffer (or start before it) sends 0xFF there.
  std::vector<uint8_t> fileBuf(FileBufSize, 0x11);
  const TCommFrame tail = BuildProgramBlock(1, fileBuf, FileBufSize - 10, FileBufSize - 10);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(tail.Data[9 + i], 0x11);
  for (int i = 10; i < RegisterMap::FirmwareBlockBytes; ++i) EXPECT_EQ(tail.Data[9 + i], 0xFF);
  const TCommFrame before = BuildProgramBlock(1, fileBuf, -192, 0);
  for (int i = 0; i < RegisterMap::FirmwareBlockBytes; ++i) EXPECT_EQ(before.Data[9 + i], 0xFF);
}

Bytes withCrc(Bytes b) {
  const uint16_t crc = pellix::modbus::Crc16Bitwise(b.data(), b.size());
  b.push_back(crc & 0xFF);
  b.push_back(crc >> 8);
  return b;
}

Bytes versionReply(uint8_t slave, uint16_t version) {
  Bytes b{slave, 0x03, 240};
  for (int i = 0; i < 120; ++i) {
    const uint16_t w = i == 0 ? version : static_cast<uint16_t>(i);
    b.push_back(w >> 8);
    b.push_back(w & 0xFF);
  }
  return withCrc(b);
}

TEST(ReplyCheckTest, ValidOnlyWithTheCrcOfWhatPrecedes) {
  EXPECT_FALSE(pellix::modbus::CheckCrc(Bytes{}));
  EXPECT_FALSE(pellix::modbus::CheckCrc(Bytes{0xFF}));
  EXPECT_TRUE(pellix::modbus::CheckCrc(withCrc({0x01, 0x06, 0x03, 0xF2, 0x11, 0xAA})));
  Bytes bad = withCrc({0x01, 0x06, 0x03, 0xF2, 0x11, 0xAA});
  bad[3] ^= 0x01;
  EXPECT_FALSE(pellix::modbus::CheckCrc(bad));
}

TEST(ReplyCheckTest, LateReplyMixedWithTheNextFailsTheCrc) {
  Bytes mixed = withCrc({0x01, 0x10, 0x05, 0x60, 0x00, 0x01});
  const Bytes next = versionReply(1, 109);
  mixed.insert(mixed.end(), next.begin(), next.end());
  EXPECT_FALSE(pellix::modbus::CheckCrc(mixed));
}

TEST(ReplyCheckTest, VersionReplyNeedsFunction3OfTheRightLengthFromTheSlave) {
  EXPECT_TRUE(IsVersionReply(versionReply(1, 110), 1));
  EXPECT_FALSE(IsVersionReply(versionReply(2, 110), 1));
  EXPECT_FALSE(IsVersionReply(withCrc({0x01, 0x06, 0x03, 0xF2, 0x11, 0xAA}), 1)) << "the echo of the restart";
  Bytes cut = versionReply(1, 110);
  cut.resize(200);
  EXPECT_FALSE(IsVersionReply(withCrc(cut), 1));
}

struct IntervalCase {
  int baud, current, expected;
};
class LinkIntervalTest : public ::testing::TestWithParam<IntervalCase> {};
TEST_P(LinkIntervalTest, FollowsTheBaudRate) {
  EXPECT_EQ(LinkTimerInterval(GetParam().baud, GetParam().current), GetParam().expected);
}
INSTANTIATE_TEST_SUITE_P(Rates, LinkIntervalTest,
                         ::testing::Values(IntervalCase{1200, 500, 4000}, IntervalCase{2400, 500, 2000},
                                           IntervalCase{4800, 500, 1000}, IntervalCase{9600, 300, 500},
                                           IntervalCase{115200, 300, 500}, IntervalCase{9599, 500, 500},
                                           IntervalCase{0, 300, 300}),
                         [](const auto& info) { return "Bd" + std::to_string(info.param.baud); });

struct ElapsedCase {
  qint64 ms;
  const char* text;
};
class ElapsedTextTest : public ::testing::TestWithParam<ElapsedCase> {};
TEST_P(ElapsedTextTest, WholeSecondsWithinADay) { EXPECT_EQ(ElapsedText(GetParam().ms), GetParam().text); }
INSTANTIATE_TEST_SUITE_P(Times, ElapsedTextTest,
                         ::testing::Values(ElapsedCase{0, "0 s"}, ElapsedCase{1499, "1 s"},
                                           ElapsedCase{1500, "2 s"}, ElapsedCase{61'000, "61 s"},
                                           ElapsedCase{24LL * 3600 * 1000 + 2000, "2 s"}),
                         [](const auto& info) { return "Ms" + std::to_string(info.param.ms); });

}  // namespace
