#include "Family.h"

#include <QLocale>

// Integer arithmetic keeps it exact and independent of floating-point rounding.
QString FormatFixedPoint(int value, int decimals) {
  if (decimals <= 0) return QString::number(value);
  unsigned scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const bool negative = value < 0;
  const unsigned magnitude = negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  QString s = negative ? QStringLiteral("-") : QString();
  s += QString::number(magnitude / scale);
  s += QLocale().decimalPoint();
  s += QStringLiteral("%1").arg(magnitude % scale, decimals, 10, QLatin1Char('0'));
  return s;
}

FamilyInfo FamilyFor(uint8_t familyCode) {
  switch (familyCode) {
    case 0x01:
      return {QStringLiteral("iButton|Serial number iButton. (Family code: 0x01)"), {6, 7, 0, 0, 8}};
    case 0x10:
      return {QStringLiteral("DS18S20|Digital thermometer. (Family code: 0x10)"), {2, 0, 0, 0, 0}};
    case 0x19:
      return {QStringLiteral("DS28E17|Temperature and humidity sensor. (Family code: 0x19)"),
              {2, 3, 0, 0, 0}};
    case 0x26:
      return {QStringLiteral("DS2438|Smart battery monitor. (Family code: 0x26)"), {2, 1, 1, 1, 1}};
    case 0x28:
      return {QStringLiteral("DS18B20|Digital thermometer. (Family code: 0x28)"), {2, 0, 0, 0, 0}};
    default:
      return {QStringLiteral("Unknown family code"), {1, 1, 1, 1, 1}};
  }
}

QString FormatChannelValue(uint16_t raw, int kind) {
  switch (kind) {
    case vkTemperature:
      return FormatFixedPoint(static_cast<int16_t>(raw), 1) + QStringLiteral(" °C");
    case vkHumidity:
      return FormatFixedPoint(raw, 1) + QStringLiteral(" %");
    case vkCurrent:
      return QStringLiteral("%1 mA").arg(raw);
    case vkVoltage:
      return FormatFixedPoint(raw, 2) + QStringLiteral(" V");
    case vkReserved:
    case vkValue:
    case vkChipConnected:
    case vkConnectionsCounter:
    case vkConnectionIndicator:
      return QString::number(raw);
    default:
      return {};
  }
}

QString ValueKindLabel(int kind, int position, uint16_t value1) {
  switch (kind) {
    case vkReserved:
      return QStringLiteral("Value%1 - Reserved").arg(position);
    case vkValue:
      return QStringLiteral("Value%1").arg(position);
    case vkTemperature:
      return QStringLiteral("Temperature");
    case vkHumidity:
      return QStringLiteral("Humidity");
    case vkCurrent:
      return QStringLiteral("Current");
    case vkVoltage:
      return QStringLiteral("Voltage");
    case vkChipConnected:
      return value1 == 1 ? QStringLiteral("Chip is connected|Chip detected on the probe.")
                         : QStringLiteral("Chip is not connected|No chip detected on the probe.");
    case vkConnectionsCounter:
      return QStringLiteral("Connections counter");
    case vkConnectionIndicator:
      return QStringLiteral(
          "Connection indicator|Indicates connection approximately 20 seconds after the chip is removed.");
    default:
      return {};
  }
}

std::array<ChannelValueText, 5> ChannelValueTexts(const TChannelData& record) {
  const FamilyInfo family = FamilyFor(FamilyCode(record.RomCode));
  std::array<ChannelValueText, 5> out;
  for (int i = 0; i < 5; ++i) {
    out[i].Text = FormatChannelValue(record.Values[i], family.Kinds[i]);
    out[i].Hint = ValueKindLabel(family.Kinds[i], i + 1, record.Values[0]);
  }
  return out;
}
