#pragma once
// One gateway channel as read from its ten registers, and the descriptions record.
#include "RomCode.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

struct TChannelData {
  uint8_t ChannelNumber = 0;  // 1..40
  TRomCode RomCode{};
  std::array<uint16_t, 5> Values{};
  uint8_t Status = 0;

  bool operator==(const TChannelData&) const = default;
};

using TDynamicLogArray = std::vector<TChannelData>;

struct TBackupData {
  uint8_t DisplayedNumber = 0;
  QString NumberText;  // the displayed number as decimal text
  QString RomCode;     // compact hex form
  QString Description;
};

using TDynamicBackupArray = std::vector<TBackupData>;

inline constexpr int DescriptionMaxLength = 30;

// A longer description is cut to its first DescriptionMaxLength characters.
QString LimitDescription(const QString& text);

// The descriptions record of a channel: its displayed number (also as text), the compact
// ROM code and the description cut to the limit.
TBackupData MakeBackupData(int channelNumber, const TRomCode& rom, const QString& description);

// Registers 0-3 ROM code, 4-8 values, 9 status (low byte only).
TChannelData ChannelFromRegisters(int channelNumber, const uint16_t* tenRegisters);
