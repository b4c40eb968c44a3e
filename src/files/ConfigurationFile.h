#pragma once
// The binary backup of the gateway's channel assignments: a 22-byte header record with
// three magic words, then the 40 channel records, 16-bit words little-endian.
#include "ChannelData.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <utility>

namespace pellix {

inline constexpr int ConfigRecordSize = 22;
inline constexpr int ConfigChannelCount = 40;
inline constexpr int ConfigFileSize = ConfigRecordSize * (1 + ConfigChannelCount);  // 902
// Offset in the header and value of each magic word.
inline constexpr std::array<std::pair<int, uint16_t>, 3> ConfigMagicWords{
    {{10, 0xB252}, {12, 0x3103}, {14, 0xF3F8}}};

// One channel record, byte for byte: number, reserved, ROM words, values, status, reserved.
QByteArray EncodeChannelRecord(const TChannelData& record);
// bytes must hold at least ConfigRecordSize bytes.
TChannelData DecodeChannelRecord(const char* bytes);

// The whole file. Records beyond 40 are left out and missing ones written as all-zero
// records (a box that never received its channel).
QByteArray EncodeConfiguration(const TDynamicLogArray& records);

struct ConfigurationContent {
  bool Valid = false;        // magic words match and exactly 40 records
  TDynamicLogArray Records;  // the whole records found, at most 40
};
// Throws InOutError when the bytes do not even hold the header record.
ConfigurationContent DecodeConfiguration(const QByteArray& bytes, const QString& fileName);

// Throws InOutError; a failed write keeps an existing file unchanged.
void WriteConfigurationFile(const QString& fileName, const TDynamicLogArray& records);
// Throws InOutError when the file cannot be read or is shorter than one record.
ConfigurationContent ReadConfigurationFile(const QString& fileName);

}  // namespace pellix
