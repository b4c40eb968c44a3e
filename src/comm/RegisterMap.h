#pragma once
// The gateway's holding registers and command words, addressed from 0 as on the wire.
// Every address and command word the tool uses is named here and nowhere else.
#include <array>
#include <cstdint>

namespace RegisterMap {

// Blocks of the continuous poll, 100 registers each.
inline constexpr uint16_t BlockSize = 100;
inline constexpr uint16_t ChannelBlock0 = 0;    // channels 1..10
inline constexpr uint16_t ChannelBlock1 = 100;  // channels 11..20
inline constexpr uint16_t ChannelBlock2 = 200;  // channels 21..30
inline constexpr uint16_t ChannelBlock3 = 300;  // channels 31..40
inline constexpr uint16_t ServiceBlock = 1000;
inline constexpr uint16_t SearchResultsLine1 = 1100;
inline constexpr uint16_t SearchResultsLine2 = 1200;

// Channel table: channel c (1..40) occupies ChannelRegisters registers from ChannelBase(c).
inline constexpr int ChannelCount = 40;
inline constexpr int ChannelsPerLine = 20;
inline constexpr int ChannelsPerBlock = 10;
inline constexpr uint16_t ChannelTable = 0;
inline constexpr uint16_t ChannelRegisters = 10;
inline constexpr uint16_t RomCodeOffset = 0;  // four words, most significant first
inline constexpr uint16_t RomCodeWords = 4;
inline constexpr uint16_t ValuesOffset = 4;  // Value1..Value5
inline constexpr uint16_t ValueCount = 5;
inline constexpr uint16_t StatusOffset = 9;  // low byte only

constexpr uint16_t ChannelBase(int channelNumber) {
  return static_cast<uint16_t>(ChannelTable + ChannelRegisters * (channelNumber - 1));
}
// Start of the polled block that holds the channel with this index (0..39).
constexpr uint16_t BlockOfChannelIndex(int channelIndex) {
  return static_cast<uint16_t>(ChannelTable + (channelIndex / ChannelsPerBlock) * BlockSize);
}
// First channel number (1..40) of a channel block.
constexpr int FirstChannelOfBlock(uint16_t blockAddress) {
  return (blockAddress - ChannelTable) / ChannelRegisters + 1;
}
constexpr bool IsChannelBlock(uint16_t address) {
  return address == ChannelBlock0 || address == ChannelBlock1 || address == ChannelBlock2 ||
         address == ChannelBlock3;
}

// Service block.
inline constexpr uint16_t FirmwareVersion = 1000;
inline constexpr uint16_t Com0SlaveAddress = 1001;  // RS485
inline constexpr uint16_t Com0BaudRate = 1002;      // hundreds of Bd
inline constexpr uint16_t Com1SlaveAddress = 1003;  // RS232
inline constexpr uint16_t Com1BaudRate = 1004;
inline constexpr uint16_t Com0StopBits = 1005;  // 1 or 2
inline constexpr uint16_t Com0Parity = 1006;    // ParityNone/Odd/Even
inline constexpr uint16_t Com1StopBits = 1007;
inline constexpr uint16_t Com1Parity = 1008;
inline constexpr uint16_t HardwareVersion = 1009;
inline constexpr uint16_t Line1Command = 1010;
inline constexpr uint16_t Line1OperationStatus = 1011;
inline constexpr uint16_t Line1NewRomCode = 1012;  // 1012..1015
inline constexpr uint16_t Line2Command = 1020;
inline constexpr uint16_t Line2OperationStatus = 1021;
inline constexpr uint16_t Line2NewRomCode = 1022;    // 1022..1025
inline constexpr uint16_t Com0ResponseDelay = 1053;  // ms
inline constexpr uint16_t Com1ResponseDelay = 1054;
inline constexpr uint16_t LinePowerControl = 1055;

// line: 0 = LINE 1, 1 = LINE 2.
constexpr uint16_t LineCommand(int line) { return line == 0 ? Line1Command : Line2Command; }
constexpr uint16_t LineOperationStatus(int line) {
  return line == 0 ? Line1OperationStatus : Line2OperationStatus;
}
constexpr uint16_t LineNewRomCode(int line) { return line == 0 ? Line1NewRomCode : Line2NewRomCode; }
constexpr uint16_t SearchResults(int line) { return line == 0 ? SearchResultsLine1 : SearchResultsLine2; }

// Encodings of the port settings registers.
inline constexpr uint16_t ParityNone = 0;
inline constexpr uint16_t ParityOdd = 1;
inline constexpr uint16_t ParityEven = 2;
inline constexpr uint16_t OneStopBit = 1;
inline constexpr uint16_t TwoStopBits = 2;
inline constexpr uint16_t BaudRateUnit = 100;  // the baud registers hold Bd / 100

// Line power control values.
inline constexpr uint16_t PowerOff = 0;
inline constexpr uint16_t PowerOn = 1;
inline constexpr uint16_t PowerOffEvery1Min = 2;
inline constexpr uint16_t PowerOffEvery5Min = 3;
inline constexpr uint16_t PowerOffEvery10Min = 4;
inline constexpr uint16_t PowerOffEvery15Min = 5;

// Search results: 20 records of 5 registers from SearchResults(line).
inline constexpr int SearchRecordCount = 20;
inline constexpr uint16_t SearchRecordRegisters = 5;
inline constexpr uint16_t SearchRecordRomCodeOffset = 0;  // all four 0: empty record
inline constexpr uint16_t SearchRecordIndexOffset = 4;    // the gateway's device index

// Command words, written to LineCommand(line) with function 6. nn: channel index 0..39.
inline constexpr uint16_t CmdFindNew = 0x05FF;
inline constexpr uint16_t CmdFindNewAll = 0x06FF;
inline constexpr uint16_t CmdFindAll = 0x07FF;
inline constexpr uint16_t CmdSaveNewBase = 0x0900;
inline constexpr uint16_t CmdDeleteBase = 0x0F00;
inline constexpr uint16_t CmdSaveFoundBase = 0x8000;
inline constexpr uint16_t CmdRestartGateway = 0x11AA;  // to Line1Command, by the firmware upgrade

constexpr uint16_t CmdSaveNew(int channelIndex) {
  return static_cast<uint16_t>(CmdSaveNewBase | (channelIndex & 0xFF));
}
constexpr uint16_t CmdDelete(int channelIndex) {
  return static_cast<uint16_t>(CmdDeleteBase | (channelIndex & 0xFF));
}
// The high byte is (0x80 + deviceIndex) mod 256: index 0x90 gives 0x10, not 0x90.
constexpr uint16_t CmdSaveFound(int deviceIndex, int channelIndex) {
  return static_cast<uint16_t>((((CmdSaveFoundBase >> 8) + deviceIndex) & 0xFF) << 8 | (channelIndex & 0xFF));
}
static_assert(CmdSaveFound(3, 5) == 0x8305 && CmdSaveFound(0x90, 5) == 0x1005);

// Operation status of the last command of a line.
inline constexpr uint16_t StatusNoCommand = 0x0000;
inline constexpr uint16_t StatusOk = 0xFFFF;
inline constexpr uint16_t StatusChannelOutOfRange = 0xEEE1;
inline constexpr uint16_t StatusUnsupportedCommand = 0xEEE2;
inline constexpr uint16_t StatusRomReadError = 0xEEE3;
inline constexpr uint16_t StatusRomCrcError = 0xEEE4;

// Firmware transfer.
inline constexpr uint16_t FirmwareBlockOffset = 1375;  // low 16 bits of the block's byte offset
inline constexpr uint16_t FirmwareBlockData = 1376;    // 1376..1471, earlier byte in the high half
inline constexpr int FirmwareBlockBytes = 192;
inline constexpr uint16_t FirmwareBlockRegisters = 1 + FirmwareBlockBytes / 2;  // the offset, then the bytes
inline constexpr uint16_t FirmwareEraseSector = 1376;  // one register: the sector number
inline constexpr int FirmwareFirstErasedSector = 32;
inline constexpr int FirmwareLastErasedSector = 62;
inline constexpr int FirmwareErasedSectors = FirmwareLastErasedSector - FirmwareFirstErasedSector + 1;
inline constexpr uint16_t UpgradeServiceReadCount = 120;  // from ServiceBlock; only FirmwareVersion used

}  // namespace RegisterMap

// The registers of one polled block, in address order.
using TRegisterBlock = std::array<uint16_t, RegisterMap::BlockSize>;
