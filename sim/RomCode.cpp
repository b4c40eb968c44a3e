#include "RomCode.h"

#include "Crc.h"

#include <cctype>
#include <cstdio>

namespace pellix::gwsim {

std::uint8_t RomCode::byte(int i) const {
  const std::uint16_t w = words[static_cast<std::size_t>(i / 2)];
  return static_cast<std::uint8_t>(i % 2 == 0 ? w >> 8 : w & 0xFF);
}

bool RomCode::crcValid() const {
  std::uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = byte(i);
  return oneWireCrc(b, 7) == b[7];
}

bool RomCode::isZero() const {
  for (auto w : words)
    if (w != 0) return false;
  return true;
}

bool RomCode::isAllOnes() const {
  for (auto w : words)
    if (w != 0xFFFF) return false;
  return true;
}

std::string RomCode::hex() const {
  char text[17];
  std::snprintf(text, sizeof text, "%04X%04X%04X%04X", words[0], words[1], words[2], words[3]);
  return text;
}

std::uint64_t RomCode::searchKey() const {
  std::uint64_t key = 0;
  for (int i = 0; i < 8; ++i)
    for (int bit = 0; bit < 8; ++bit) key = (key << 1) | ((byte(i) >> bit) & 1u);
  return key;
}

RomCode RomCode::fromBytes(const std::array<std::uint8_t, 8>& bytes) {
  RomCode rom;
  for (std::size_t i = 0; i < 4; ++i)
    rom.words[i] = static_cast<std::uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
  return rom;
}

std::optional<RomCode> RomCode::parse(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c == '-' || c == ' ') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    digits += c;
  }
  if (digits.size() != 14 && digits.size() != 16) return std::nullopt;
  std::array<std::uint8_t, 8> bytes{};
  for (std::size_t i = 0; i < digits.size() / 2; ++i)
    bytes[i] = static_cast<std::uint8_t>(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
  if (digits.size() == 14) bytes[7] = oneWireCrc(bytes.data(), 7);
  return fromBytes(bytes);
}

RomCode RomCode::make(std::uint8_t family, std::uint64_t serial) {
  std::array<std::uint8_t, 8> bytes{};
  bytes[0] = family;
  for (int i = 0; i < 6; ++i)
    bytes[static_cast<std::size_t>(1 + i)] = static_cast<std::uint8_t>(serial >> (40 - 8 * i));
  bytes[7] = oneWireCrc(bytes.data(), 7);
  return fromBytes(bytes);
}

}  // namespace pellix::gwsim
