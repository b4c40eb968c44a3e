#include "TrendStore.h"

#include "ChannelStatus.h"
#include "Family.h"

#include <algorithm>
#include <stdexcept>

namespace pellix::trend {
namespace {

std::size_t Slot(int channelNumber) {
  if (channelNumber < 1 || channelNumber > ::ChannelCount)
    throw std::out_of_range("Channel number out of range");
  return static_cast<std::size_t>(channelNumber - 1);
}

// A free channel, one in error, or a line that reads nothing has no value to draw.
bool InError(const TChannelData& r) { return r.Status != 0; }

}  // namespace

bool HasTemperature(uint8_t familyCode) { return FamilyFor(familyCode).Kinds[0] == vkTemperature; }

double ChartValue(const TChannelData& record) {
  if (HasTemperature(FamilyCode(record.RomCode))) return static_cast<int16_t>(record.Values[0]) / 10.0;
  return record.Values[0];
}

void TrendStore::Add(qint64 ms, const TChannelData& record) {
  const std::size_t s = Slot(record.ChannelNumber);
  std::deque<TrendPoint>& p = points_[s];
  p.push_back({ms, static_cast<float>(ChartValue(record)), record.Values[0], InError(record)});
  // Bounded both ways: no older than the longest window, no more than MaxPoints.
  while (!p.empty() && (p.front().Ms < ms - KeepMs || static_cast<int>(p.size()) > MaxPoints)) p.pop_front();
  last_[s] = record;
}

void TrendStore::Clear() {
  for (auto& p : points_) p.clear();
  for (auto& l : last_) l.reset();
}

const std::deque<TrendPoint>& TrendStore::Points(int channelNumber) const {
  return points_[Slot(channelNumber)];
}

const std::optional<TChannelData>& TrendStore::Last(int channelNumber) const {
  return last_[Slot(channelNumber)];
}

std::optional<TrendStore::Moved> TrendStore::MovedMost(qint64 nowMs, qint64 spanMs, double minDelta) const {
  std::optional<Moved> best;
  for (int c = 1; c <= ::ChannelCount; ++c) {
    const auto& last = last_[static_cast<std::size_t>(c - 1)];
    if (!last || !HasTemperature(FamilyCode(last->RomCode))) continue;
    double lo = 0, hi = 0;
    bool any = false;
    for (auto it = points_[static_cast<std::size_t>(c - 1)].rbegin();
         it != points_[static_cast<std::size_t>(c - 1)].rend() && it->Ms >= nowMs - spanMs; ++it) {
      if (it->Gap) continue;
      lo = any ? std::min<double>(lo, it->Value) : it->Value;
      hi = any ? std::max<double>(hi, it->Value) : it->Value;
      any = true;
    }
    const double delta = hi - lo;
    // A float holds tenths well enough; the margin keeps 0.5 from reading as 0.49999.
    if (any && delta + 1e-4 >= minDelta && (!best || delta > best->Delta)) best = Moved{c, delta};
  }
  return best;
}

}  // namespace pellix::trend
