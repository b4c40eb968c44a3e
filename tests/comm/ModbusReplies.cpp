#include "ModbusReplies.h"

#include "ModbusFrames.h"

#include <utility>

namespace pellix::test {

uint16_t modelRegister(uint16_t address) { return static_cast<uint16_t>(address * 0x9E37u + 0x1234u); }

Bytes withCrc(Bytes frame) {
  const uint16_t crc = pellix::modbus::Crc16Bitwise(frame.data(), frame.size());
  frame.push_back(static_cast<uint8_t>(crc & 0xFF));
  frame.push_back(static_cast<uint8_t>(crc >> 8));
  return frame;
}

Bytes readReply(uint8_t slave, uint16_t start, int count) {
  Bytes f{slave, 0x03, static_cast<uint8_t>(2 * count)};
  for (int i = 0; i < count; ++i) {
    const uint16_t v = modelRegister(static_cast<uint16_t>(start + i));
    f.push_back(static_cast<uint8_t>(v >> 8));
    f.push_back(static_cast<uint8_t>(v & 0xFF));
  }
  return withCrc(std::move(f));
}

}  // namespace pellix::test
