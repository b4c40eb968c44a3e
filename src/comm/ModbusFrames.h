#pragma once
// Modbus RTU frames and their CRC, without any port: what the master builds and checks.
#include "CommFrame.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace pellix::modbus {

inline constexpr uint8_t FnReadHoldingRegisters = 0x03;
inline constexpr uint8_t FnWriteSingleRegister = 0x06;
inline constexpr uint8_t FnWriteMultipleRegisters = 0x10;
// Values a single function 16 request can carry in a TCommFrame.
inline constexpr int MaxWriteMultipleCount = (TCommFrame::Capacity - 9) / 2;

// CRC-16/MODBUS (reflected 0xA001, initial 0xFFFF, no final XOR); the low byte goes first
// on the wire.
uint16_t Crc16(const uint8_t* data, std::size_t length);
// Bit by bit, for cross-checking the table-driven one.
uint16_t Crc16Bitwise(const uint8_t* data, std::size_t length);

// Appends the CRC of the first Length bytes and adds 2 to Length.
void AppendCrc(TCommFrame& frame);
// True when the last two bytes are the CRC of those before them.
bool CheckCrc(std::span<const uint8_t> bytes);
inline bool CheckCrc(const TCommFrame& frame) { return CheckCrc(frame.bytes()); }

// The builders write the request from byte 0 without CRC. Only the low byte of count is
// sent; the high byte of the quantity field is always 0.
void BuildReadHoldingRegisters(TCommFrame& frame, uint8_t slave, uint16_t address, uint16_t count);
void BuildWriteSingleRegister(TCommFrame& frame, uint8_t slave, uint16_t address, uint16_t value);
// Throws std::length_error unless 1 <= values.size() <= MaxWriteMultipleCount.
void BuildWriteMultipleRegisters(TCommFrame& frame, uint8_t slave, uint16_t address,
                                 std::span<const uint16_t> values);

// How long a request and its reply may take at this rate, in ms (0 without a rate):
// a 100-register reply and room to spare.
constexpr int ExchangeTimeMs(int baudRate) { return baudRate > 0 ? 4800000 / baudRate : 0; }

// Register i of a read reply (address, function, byte count, then the words high byte first).
inline uint16_t ReplyRegister(const TCommFrame& frame, int i) {
  return static_cast<uint16_t>(frame.Data[3 + 2 * i] << 8 | frame.Data[4 + 2 * i]);
}

}  // namespace pellix::modbus
