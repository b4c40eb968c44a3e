// What the trend chart keeps of a channel, and which sensor Identify picks.
#include "TrendStore.h"

#include <gtest/gtest.h>

namespace pellix::trend {
namespace {

TChannelData Thermometer(int channel, double celsius, uint8_t status = 0) {
  TChannelData r;
  r.ChannelNumber = static_cast<uint8_t>(channel);
  r.RomCode = {0x28FF, 0x0102, 0x0304, 0x0506};
  r.Values[0] = static_cast<uint16_t>(static_cast<int16_t>(celsius * 10 + (celsius < 0 ? -0.5 : 0.5)));
  r.Status = status;
  return r;
}

TEST(TrendStore, IdentifyPicksTheThermometerThatMovedMostByHalfADegree) {
  TrendStore s;
  // Channel 3 wobbles by 0.4 °C, channel 7 is warmed by 2.0 °C but only after an error,
  // and the iButton on channel 9 jumps: it has no temperature.
  TChannelData button;
  button.ChannelNumber = 9;
  button.RomCode = {0x01AA, 0, 0, 0};
  for (int i = 0; i <= 10; ++i) {
    const qint64 ms = 100000 + i * 2000;
    s.Add(ms, Thermometer(3, 21.0 + (i % 2) * 0.4));
    s.Add(ms, Thermometer(7, i < 5 ? 20.0 : 20.0 + (i - 4) * 0.4, i == 4 ? 5 : 0));
    s.Add(ms, Thermometer(8, -1.0));
    button.Values[0] = static_cast<uint16_t>(i * 1000);
    s.Add(ms, button);
  }
  const auto moved = s.MovedMost(120000);
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->ChannelNumber, 7);
  EXPECT_NEAR(moved->Delta, 2.4, 1e-3);
  EXPECT_TRUE(s.Points(7)[4].Gap);
  EXPECT_FLOAT_EQ(s.Points(8).back().Value, -1.0f);

  // Only the last 30 s count: long after, nothing moved.
  for (int i = 1; i <= 16; ++i) s.Add(120000 + i * 2000, Thermometer(7, 22.4));
  EXPECT_FALSE(s.MovedMost(152000));
}

TEST(TrendStore, MemoryIsBoundedByPointsAndByTheLongestWindow) {
  TrendStore s;
  for (int i = 0; i < TrendStore::MaxPoints + 50; ++i) s.Add(i, Thermometer(1, 20));
  EXPECT_EQ(static_cast<int>(s.Points(1).size()), TrendStore::MaxPoints);
  s.Add(TrendStore::KeepMs + 20000, Thermometer(1, 20));
  EXPECT_GE(s.Points(1).front().Ms, 20000);
}

}  // namespace
}  // namespace pellix::trend
