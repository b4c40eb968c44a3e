#pragma once
// Misbehaviour on demand, so that a master's error paths can be driven.
#include <cstdint>
#include <optional>
#include <string>

namespace pellix::gwsim {

// The next `count` requests get the fault; after those each one with probability `fraction`.
struct FaultRule {
  int count = 0;
  double fraction = 0.0;
  bool active() const { return count > 0 || fraction > 0.0; }
};

struct Faults {
  FaultRule noReply;     // the request is lost: not executed, not answered
  FaultRule badCrc;      // the reply goes out with a wrong CRC
  FaultRule shortReply;  // only the first `shortBytes` bytes of the reply go out
  FaultRule garbage;     // `garbageBytes` random bytes go out before the reply
  int shortBytes = 0;    // 0: half the reply
  int garbageBytes = 3;
  int delayMs = 0;                   // before every reply, or only before those `delayed` picks
  std::optional<FaultRule> delayed;  // none: every reply waits
  int hangUpAfter = -1;              // close the pty after this many more requests (-1: never)
  std::uint32_t seed = 1;
};

// "3" is a count, "25%" or "0.25" a fraction. Nothing on a malformed text.
std::optional<FaultRule> parseFaultRule(const std::string& text);

}  // namespace pellix::gwsim
