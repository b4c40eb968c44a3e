#pragma once
// What the trend chart remembers: per channel the value 1 of every channel block the poll
// brought, with its time, and whether the channel was in error then. QtCore only.
#include "ChannelData.h"
#include "ChannelsNumbering.h"

#include <QtGlobal>

#include <array>
#include <deque>
#include <optional>

namespace pellix::trend {

struct TrendPoint {
  qint64 Ms = 0;
  float Value = 0;
  uint16_t Raw = 0;  // value 1 as the gateway sent it
  bool Gap = false;  // the channel was in error or free: no value
};

// Families whose value 1 is a temperature in tenths of a degree.
bool HasTemperature(uint8_t familyCode);
// Value 1 as the chart draws it: °C for a thermometer, the raw value otherwise.
double ChartValue(const TChannelData& record);

class TrendStore {
 public:
  static constexpr int MaxPoints = 12000;
  static constexpr qint64 KeepMs = 60LL * 60 * 1000;  // the longest window
  static constexpr qint64 IdentifySpanMs = 30000;
  static constexpr double IdentifyMinDelta = 0.5;  // °C

  // One channel's record from a block received at ms.
  void Add(qint64 ms, const TChannelData& record);
  void Clear();

  // channelNumber 1..40
  const std::deque<TrendPoint>& Points(int channelNumber) const;
  // The last record received for the channel, if any.
  const std::optional<TChannelData>& Last(int channelNumber) const;

  struct Moved {
    int ChannelNumber = 0;
    double Delta = 0;  // °C between the lowest and the highest value
  };
  // The thermometer whose value moved most over the span before nowMs, when it moved by
  // at least minDelta; none otherwise.
  std::optional<Moved> MovedMost(qint64 nowMs, qint64 spanMs = IdentifySpanMs,
                                 double minDelta = IdentifyMinDelta) const;

 private:
  std::array<std::deque<TrendPoint>, ::ChannelCount> points_;
  std::array<std::optional<TChannelData>, ::ChannelCount> last_;
};

}  // namespace pellix::trend
