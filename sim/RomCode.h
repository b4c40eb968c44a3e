#pragma once
// A 1-Wire ROM code as the gateway serves it: four 16-bit words, the first one
// most significant; the high byte of word 0 is the family code and the low byte
// of word 3 is the 1-Wire CRC of the seven bytes before it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace pellix::gwsim {

struct RomCode {
  std::array<std::uint16_t, 4> words{};

  std::uint8_t byte(int i) const;  // 0..7 in wire order: family first, CRC last
  std::uint8_t family() const { return byte(0); }
  bool crcValid() const;
  bool isZero() const;
  bool isAllOnes() const;
  std::string hex() const;  // 16 upper-case digits, word 0 first
  // Order in which a 1-Wire search finds devices: bit 0 of the family byte first, 0 before 1.
  std::uint64_t searchKey() const;

  static RomCode fromBytes(const std::array<std::uint8_t, 8>& bytes);
  // 16 hex digits as they are, or 14 digits (family and serial) with the CRC appended.
  static std::optional<RomCode> parse(const std::string& text);
  // Family and 48-bit serial number with the CRC appended.
  static RomCode make(std::uint8_t family, std::uint64_t serial);

  friend bool operator==(const RomCode&, const RomCode&) = default;
};

}  // namespace pellix::gwsim
