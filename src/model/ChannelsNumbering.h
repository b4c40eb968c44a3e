#pragma once
// Channel numbers (1..40) are what the program works with; the gateway's commands
// carry the zero-based channel index; the operator sees the displayed number.
#include <cstdint>

// Build setting: show channels numbered from one. Off in this build, so the operator
// sees the channel index (LINE 1: 0-19, LINE 2: 20-39).
inline constexpr bool ChannelsNumbering = false;

inline constexpr int ChannelCount = 40;
inline constexpr int ChannelsPerLine = 20;
inline constexpr int RegistersPerChannel = 10;

// channel number 1..40 -> 0..39
constexpr int ChannelIndex(int channelNumber) { return channelNumber - 1; }
// channel index 0..39 -> 1..40
constexpr int ChannelNumberFromIndex(int channelIndex) { return channelIndex + 1; }
// 0 for LINE 1 (channels 1-20), 1 for LINE 2 (21-40)
constexpr int LineOfChannel(int channelNumber) { return ChannelIndex(channelNumber) / ChannelsPerLine; }
// First of the channel's ten registers.
constexpr int ChannelFirstRegister(int channelNumber) {
  return ChannelIndex(channelNumber) * RegistersPerChannel;
}
// Start address of the poll block that holds the channel (0, 100, 200 or 300).
constexpr uint16_t ChannelBlockStart(int channelNumber) {
  return static_cast<uint16_t>(ChannelIndex(channelNumber) / 10 * 100);
}
constexpr bool IsValidChannelNumber(int channelNumber) {
  return channelNumber >= 1 && channelNumber <= ChannelCount;
}

int DisplayedNumber(int channelNumber, bool numberFromOne = ChannelsNumbering);
