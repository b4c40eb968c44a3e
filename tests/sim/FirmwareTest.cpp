#include "RtuServer.h"
#include "SimTestSupport.h"

#include <gtest/gtest.h>

using namespace pellix::gwsim;
using namespace pellix::gwsim::test;

namespace {

// Erase 32..62, program blocks until the offset passes the length, restart.
void upgrade(GatewayModel& m, const std::vector<std::uint8_t>& image) {
  for (std::uint16_t sector = 32; sector <= 62; ++sector)
    ASSERT_TRUE(handleRequest(writeMultiple(1, 1376, {sector}), 1, m));
  for (std::size_t offset = 0; offset <= image.size(); offset += 192)
    ASSERT_TRUE(handleRequest(programBlock(image, offset), 1, m)) << offset;
}

std::vector<std::uint8_t> padded(std::vector<std::uint8_t> image, std::size_t size) {
  image.resize(size, 0xFF);
  return image;
}

TEST(FirmwareTest, AssemblesBlocksWithTheLastOnePaddedWithFF) {
  GatewayModel m;
  const auto image = testImage(400);
  upgrade(m, image);
  EXPECT_EQ(m.eraseRequests(), 31);
  EXPECT_EQ(m.erasedSectors().size(), 31u);
  EXPECT_EQ(m.programmedBlocks(), 3);
  EXPECT_EQ(m.image(), padded(image, 576));
  EXPECT_EQ(m.programFaults(), 0);
}

TEST(FirmwareTest, ImageOfWholeBlocksGetsOneBlockOfFFMore) {
  GatewayModel m;
  const auto image = testImage(384);
  upgrade(m, image);
  EXPECT_EQ(m.programmedBlocks(), 3);
  EXPECT_EQ(m.image(), padded(image, 576));
}

TEST(FirmwareTest, OffsetsPastSixteenBitsWrapAndStillLandInPlace) {
  GatewayModel m;
  const auto image = testImage(200000);
  upgrade(m, image);
  EXPECT_EQ(m.image(), padded(image, 200064));
  EXPECT_EQ(m.programFaults(), 0);
}

TEST(FirmwareTest, ARepeatedBlockDoesNoHarm) {
  GatewayModel m;
  const auto image = testImage(1000);
  for (std::uint16_t sector = 32; sector <= 62; ++sector)
    handleRequest(writeMultiple(1, 1376, {sector}), 1, m);
  // The master repeats a block whose reply it missed, and steps back one block after a missed poll.
  for (std::size_t offset : {0, 192, 192, 384, 192, 384, 576, 768, 960})
    handleRequest(programBlock(image, offset), 1, m);
  EXPECT_EQ(m.image(), padded(image, 1152));
  EXPECT_EQ(m.programFaults(), 0);
}

TEST(FirmwareTest, ProgrammingOverUnerasedFlashIsCounted) {
  GatewayModel m;
  upgrade(m, testImage(192));
  handleRequest(request(1, 6, 1010, 0x11AA), 1, m);
  m.advanceTo(m.config().restartSilenceMs);
  const auto other = std::vector<std::uint8_t>(192, 0xFF ^ 0x55);
  handleRequest(programBlock(other, 0), 1, m);
  EXPECT_GT(m.programFaults(), 0);
}

TEST(FirmwareTest, RestartIsNotAnsweredThenSilenceThenTheNewVersion) {
  GatewayModel m;
  m.config().restartSilenceMs = 2500;
  upgrade(m, testImage(500));
  m.advanceTo(1000);
  EXPECT_FALSE(handleRequest(request(1, 6, 1010, 0x11AA), 1, m)) << "the gateway restarts before it answers";
  EXPECT_EQ(m.restarts(), 1);
  const Frame versionPoll = request(1, 3, 1000, 120);
  m.advanceTo(3400);
  EXPECT_FALSE(handleRequest(versionPoll, 1, m));
  m.advanceTo(3500);
  const auto reply = handleRequest(versionPoll, 1, m);
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->size(), 245u);
  EXPECT_EQ(registersOf(*reply)[0], 110);
}

TEST(FirmwareTest, ConfiguredVersionAfterUpgrade) {
  GatewayConfig config;
  config.firmwareAfterUpgrade = 215;
  config.restartSilenceMs = 0;
  GatewayModel m(config);
  int calls = 0;
  std::size_t imageSize = 0;
  m.setUpgradeHandler([&](const GatewayModel& g) {
    ++calls;
    imageSize = g.image().size();
  });
  upgrade(m, testImage(10));
  m.command(0, 0x11AA);
  EXPECT_EQ(m.firmwareVersion(), 215);
  EXPECT_EQ(m.registerAt(1000), 215);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(imageSize, 192u);
  // A restart without programming changes nothing.
  m.command(0, 0x11AA);
  EXPECT_EQ(m.registerAt(1000), 215);
  EXPECT_EQ(calls, 1);
}

TEST(FirmwareTest, RequestsDuringTheSilenceAreNotCarriedOut) {
  GatewayModel m = Plant{}.model();
  m.command(0, 0x11AA);
  EXPECT_FALSE(handleRequest(request(1, 6, 1010, 0x0F00), 1, m));
  EXPECT_TRUE(m.assignment(0));
}

TEST(FirmwareTest, BlockBeyondTheFlashIsRefused) {
  GatewayModel m;
  std::vector<std::uint16_t> regs(97, 0);
  regs[0] = static_cast<std::uint16_t>(GatewayModel::kFlashSize & 0xFFFF);
  for (std::uint16_t s = 32; s <= 62; ++s) handleRequest(writeMultiple(1, 1376, {s}), 1, m);
  // Walk the expected offset up to the end of the flash.
  const auto image = testImage(GatewayModel::kFlashSize);
  for (std::size_t offset = 0; offset + 192 <= GatewayModel::kFlashSize; offset += 192)
    handleRequest(programBlock(image, offset), 1, m);
  const auto reply = handleRequest(writeMultiple(1, 1375, regs), 1, m);
  ASSERT_TRUE(reply);
  EXPECT_EQ((*reply)[1], 0x90);
  EXPECT_EQ((*reply)[2], 3);
}

}  // namespace
