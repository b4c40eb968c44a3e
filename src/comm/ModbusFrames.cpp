#include "ModbusFrames.h"

#include <array>
#include <stdexcept>
#include <string>

namespace pellix::modbus {
namespace {

constexpr uint16_t Polynomial = 0xA001;

constexpr uint16_t CrcOfByte(uint8_t b) {
  uint16_t crc = b;
  for (int bit = 0; bit < 8; ++bit)
    crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ Polynomial) : crc >> 1;
  return crc;
}

// The classic pair of tables: one gives the next low byte, the other the next high byte.
constexpr std::array<uint8_t, 256> MakeTable(bool highByte) {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) {
    const uint16_t crc = CrcOfByte(static_cast<uint8_t>(i));
    t[i] = static_cast<uint8_t>(highByte ? crc >> 8 : crc & 0xFF);
  }
  return t;
}

constexpr std::array<uint8_t, 256> CrcLowTable = MakeTable(false);
constexpr std::array<uint8_t, 256> CrcHighTable = MakeTable(true);

static_assert(CrcLowTable[1] == 0xC1 && CrcHighTable[1] == 0xC0);
static_assert(CrcLowTable[255] == 0x40 && CrcHighTable[255] == 0x40);

void PutWord(uint8_t* p, uint16_t w) {
  p[0] = static_cast<uint8_t>(w >> 8);
  p[1] = static_cast<uint8_t>(w & 0xFF);
}

}  // namespace

uint16_t Crc16(const uint8_t* data, std::size_t length) {
  uint8_t lo = 0xFF;
  uint8_t hi = 0xFF;
  for (std::size_t i = 0; i < length; ++i) {
    const uint8_t index = lo ^ data[i];
    lo = hi ^ CrcLowTable[index];
    hi = CrcHighTable[index];
  }
  return static_cast<uint16_t>(hi << 8 | lo);
}

uint16_t Crc16Bitwise(const uint8_t* data, std::size_t length) {
  uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ Polynomial) : crc >> 1;
  }
  return crc;
}

void AppendCrc(TCommFrame& frame) {
  if (frame.Length > TCommFrame::Capacity - 2) throw std::length_error("Frame too long for its CRC");
  const uint16_t crc = Crc16(frame.Data, frame.Length);
  frame.Data[frame.Length] = static_cast<uint8_t>(crc & 0xFF);
  frame.Data[frame.Length + 1] = static_cast<uint8_t>(crc >> 8);
  frame.Length = static_cast<uint8_t>(frame.Length + 2);
}

bool CheckCrc(std::span<const uint8_t> bytes) {
  if (bytes.size() < 2) return false;
  const std::size_t n = bytes.size() - 2;
  const uint16_t crc = Crc16(bytes.data(), n);
  return bytes[n] == (crc & 0xFF) && bytes[n + 1] == (crc >> 8);
}

void BuildReadHoldingRegisters(TCommFrame& frame, uint8_t slave, uint16_t address, uint16_t count) {
  frame.Data[0] = slave;
  frame.Data[1] = FnReadHoldingRegisters;
  PutWord(frame.Data + 2, address);
  frame.Data[4] = 0x00;
  frame.Data[5] = static_cast<uint8_t>(count & 0xFF);
  frame.Length = 6;
}

void BuildWriteSingleRegister(TCommFrame& frame, uint8_t slave, uint16_t address, uint16_t value) {
  frame.Data[0] = slave;
  frame.Data[1] = FnWriteSingleRegister;
  PutWord(frame.Data + 2, address);
  PutWord(frame.Data + 4, value);
  frame.Length = 6;
}

void BuildWriteMultipleRegisters(TCommFrame& frame, uint8_t slave, uint16_t address,
                                 std::span<const uint16_t> values) {
  const std::size_t n = values.size();
  if (n == 0 || n > static_cast<std::size_t>(MaxWriteMultipleCount))
    throw std::length_error("Cannot write " + std::to_string(n) + " registers in one request (1.." +
                            std::to_string(MaxWriteMultipleCount) + ")");
  frame.Data[0] = slave;
  frame.Data[1] = FnWriteMultipleRegisters;
  PutWord(frame.Data + 2, address);
  frame.Data[4] = 0x00;
  frame.Data[5] = static_cast<uint8_t>(n);
  frame.Data[6] = static_cast<uint8_t>(2 * n);
  for (std::size_t i = 0; i < n; ++i) PutWord(frame.Data + 7 + 2 * i, values[i]);
  frame.Length = static_cast<uint8_t>(7 + 2 * n);
}

}  // namespace pellix::modbus
