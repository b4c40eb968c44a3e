#pragma once
// The 64-bit 1-Wire ROM code as four 16-bit words, word 0 most significant.
#include <QString>
#include <array>
#include <cstdint>

using TRomCode = std::array<uint16_t, 4>;

// Nothing was read from the bus.
inline constexpr TRomCode RomCodeNotRead{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
// An empty search result.
inline constexpr TRomCode RomCodeEmpty{0, 0, 0, 0};

// No device: all zero or all ones.
constexpr bool IsBlankRomCode(const TRomCode& rom) { return rom == RomCodeEmpty || rom == RomCodeNotRead; }

// The family code: the high byte of word 0.
constexpr uint8_t FamilyCode(const TRomCode& rom) { return static_cast<uint8_t>(rom[0] >> 8); }

// 16 upper-case hex digits, word 0 first.
QString RomCodeToHex(const TRomCode& rom);
// Exactly 16 hex digits (either case). Fails on fewer characters, on anything that is
// not a hex digit and on more than 16 digits; out is untouched then.
bool ParseRomCode(const QString& text, TRomCode& out);
