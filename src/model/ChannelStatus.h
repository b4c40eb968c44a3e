#pragma once
// Channel status codes: their texts and the channel box's colour class.
#include <QString>
#include <cstdint>

inline constexpr uint8_t StatusOk = 0;
inline constexpr uint8_t StatusLineHigh = 1;
inline constexpr uint8_t StatusShortCircuit = 2;
inline constexpr uint8_t StatusNoGateway = 254;  // records shown from a file while disconnected
inline constexpr uint8_t StatusFree = 255;       // no device assigned

QString ChannelStatusText(uint8_t status);
// "Error code|Error code: " followed by the status text.
QString ChannelStatusHint(uint8_t status);

enum class StatusColour { Good, Fault, Neutral, White };
StatusColour StatusColourClass(uint8_t status);

inline constexpr unsigned GoodRgb = 0xD7FFD7;   // (215, 255, 215)
inline constexpr unsigned FaultRgb = 0xFFD7D7;  // (255, 215, 215)
inline constexpr unsigned WhiteRgb = 0xFFFFFF;

// Codes 1 and 2 are faults of the whole line.
constexpr bool IsLineFault(uint8_t status) {
  return status == StatusLineHigh || status == StatusShortCircuit;
}
