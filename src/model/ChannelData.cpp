#include "ChannelData.h"

#include "ChannelsNumbering.h"

QString LimitDescription(const QString& text) { return text.left(DescriptionMaxLength); }

TChannelData ChannelFromRegisters(int channelNumber, const uint16_t* r) {
  TChannelData d;
  d.ChannelNumber = static_cast<uint8_t>(channelNumber);
  for (int i = 0; i < 4; ++i) d.RomCode[i] = r[i];
  for (int i = 0; i < 5; ++i) d.Values[i] = r[4 + i];
  d.Status = static_cast<uint8_t>(r[9] & 0xFF);
  return d;
}

TBackupData MakeBackupData(int channelNumber, const TRomCode& rom, const QString& description) {
  const int shown = DisplayedNumber(channelNumber);
  return {static_cast<uint8_t>(shown), QString::number(shown), RomCodeToHex(rom),
          LimitDescription(description)};
}
