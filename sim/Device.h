#pragma once
// A device on one of the gateway's 1-Wire lines and the five register values it
// yields at a given moment. Values move with time but are a pure function of it,
// so a test that sets the clock knows what the gateway will serve.
#include "RomCode.h"

#include <array>
#include <cstdint>
#include <optional>

namespace pellix::gwsim {

struct Device {
  RomCode rom;
  int line = 0;                        // 0 or 1
  bool present = true;                 // on the bus; an assigned but missing device reads as Timeout
  std::optional<std::uint8_t> status;  // channel status override; default 0 (3 for an unknown family)

  // Thermometers (all families with a temperature): °C, swing and its period.
  double temperature = 21.0;
  double swing = 0.5;
  double periodS = 60.0;
  // 0x19: relative humidity in %, and its swing.
  double humidity = 45.0;
  double humiditySwing = 2.0;
  // 0x26: supply and input voltage in V, current (raw), capacity count falling one per minute.
  double vdd = 5.0;
  double vad = 3.3;
  int current = 12;
  int capacity = 1000;
  // 0x01: seconds the chip sits on the probe, then seconds it is away; connections before t = 0.
  double connectedS = 20.0;
  double removedS = 40.0;
  int connections = 0;
  // Raw values used by families the gateway does not decode.
  std::array<std::uint16_t, 5> raw{};

  bool knownFamily() const;
  std::uint8_t channelStatus() const;
  std::array<std::uint16_t, 5> valuesAt(std::int64_t ms) const;
};

// How long the iButton connection indicator stays up after the chip is removed.
constexpr std::int64_t kIButtonIndicatorMs = 20000;

}  // namespace pellix::gwsim
