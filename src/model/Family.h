#pragma once
// Device families: what each of a device's five values means, and how values read.
#include "ChannelData.h"

#include <QString>
#include <array>
#include <cstdint>

// Value kinds of the five value registers.
enum ValueKind : int {
  vkReserved = 0,
  vkValue = 1,
  vkTemperature = 2,
  vkHumidity = 3,
  vkCurrent = 4,
  vkVoltage = 5,
  vkChipConnected = 6,
  vkConnectionsCounter = 7,
  vkConnectionIndicator = 8,
};

struct FamilyInfo {
  QString Hint;  // "short|long"; the unknown family has no long part
  std::array<int, 5> Kinds;
};

FamilyInfo FamilyFor(uint8_t familyCode);

// value / 10^decimals with the user's decimal separator, e.g. (-10, 1) -> "-1.0".
QString FormatFixedPoint(int value, int decimals);

// Raw register -> text in the user's locale; empty for kinds outside 0..8.
QString FormatChannelValue(uint16_t raw, int kind);
// position 1..5; value1 is the record's first value (the iButton's probe state).
QString ValueKindLabel(int kind, int position, uint16_t value1);

struct ChannelValueText {
  QString Text;
  QString Hint;
};

// The five value texts and hints of a record, by its family.
std::array<ChannelValueText, 5> ChannelValueTexts(const TChannelData& record);
