#include "ChannelStatus.h"

QString ChannelStatusText(uint8_t status) {
  switch (status) {
    case 0:
      return QStringLiteral("OK");
    case 1:
      return QStringLiteral("Line in high");
    case 2:
      return QStringLiteral("Short circuit");
    case 3:
      return QStringLiteral("Not supp. family");
    case 4:
      return QStringLiteral("CRC error");
    case 5:
      return QStringLiteral("Timeout");
    case StatusNoGateway:
    case StatusFree:
      return {};
    default:
      return QStringLiteral("Undefined error code");
  }
}

QString ChannelStatusHint(uint8_t status) {
  return QStringLiteral("Error code|Error code: ") + ChannelStatusText(status);
}

StatusColour StatusColourClass(uint8_t status) {
  if (status == StatusOk) return StatusColour::Good;
  if (status <= 5) return StatusColour::Fault;
  if (status == StatusFree) return StatusColour::White;
  return StatusColour::Neutral;
}
