#include "Device.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pellix::gwsim {
namespace {

std::uint16_t word(long v) { return static_cast<std::uint16_t>(static_cast<std::uint32_t>(v) & 0xFFFF); }

// A per-device phase, so that sensors of one plant do not move in step.
double phaseOf(const RomCode& rom) { return static_cast<double>(rom.words[3] % 360) / 360.0; }

double wave(const Device& d, std::int64_t ms) {
  const double period = d.periodS > 0 ? d.periodS : 60.0;
  return std::sin(2 * std::numbers::pi * (static_cast<double>(ms) / 1000.0 / period + phaseOf(d.rom)));
}

std::uint16_t tenths(double v) { return word(std::lround(v * 10.0)); }

std::array<std::uint16_t, 5> iButtonValues(const Device& d, std::int64_t ms) {
  const auto on = static_cast<std::int64_t>(d.connectedS * 1000);
  const auto off = static_cast<std::int64_t>(d.removedS * 1000);
  const std::int64_t cycle = on + off;
  if (cycle <= 0 || ms < 0) return {1, word(d.connections), 0, 0, 1};
  const std::int64_t n = ms / cycle;
  const std::int64_t inCycle = ms % cycle;
  const bool connected = inCycle < on;
  // The first connection of each cycle is counted when the chip touches the probe.
  const std::int64_t count = d.connections + n + (on > 0 ? 1 : 0);
  const bool indicator = connected || inCycle - on < kIButtonIndicatorMs;
  return {static_cast<std::uint16_t>(connected ? 1 : 0), word(static_cast<long>(count)), 0, 0,
          static_cast<std::uint16_t>(indicator ? 1 : 0)};
}

}  // namespace

bool Device::knownFamily() const {
  switch (rom.family()) {
    case 0x01:
    case 0x10:
    case 0x19:
    case 0x26:
    case 0x28:
      return true;
    default:
      return false;
  }
}

std::uint8_t Device::channelStatus() const {
  if (status) return *status;
  return knownFamily() ? 0 : 3;
}

std::array<std::uint16_t, 5> Device::valuesAt(std::int64_t ms) const {
  const std::uint16_t temp = tenths(temperature + swing * wave(*this, ms));
  switch (rom.family()) {
    case 0x10:
    case 0x28:
      return {temp, 0, 0, 0, 0};
    case 0x19: {
      double h = humidity + humiditySwing * wave(*this, ms + static_cast<std::int64_t>(periodS * 250));
      h = std::clamp(h, 0.0, 100.0);
      return {temp, tenths(h), 0, 0, 0};
    }
    case 0x26: {
      const long minutes = static_cast<long>(std::max<std::int64_t>(ms, 0) / 60000);
      const long jitter = std::lround(4 * swing * wave(*this, ms));
      return {temp, word(std::lround(vdd * 100)), word(std::lround(vad * 100) + jitter),
              word(current + jitter), word(std::max(0L, capacity - minutes))};
    }
    case 0x01:
      return iButtonValues(*this, ms);
    default:
      return raw;
  }
}

}  // namespace pellix::gwsim
