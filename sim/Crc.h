#pragma once
// Checksums the simulated gateway needs. Computed bit by bit on purpose: the
// simulator must not share a table (or a bug) with the tool it checks.
#include <cstddef>
#include <cstdint>

namespace pellix::gwsim {

// CRC-16/MODBUS: reflected polynomial 0xA001, start 0xFFFF, no final xor.
std::uint16_t modbusCrc(const std::uint8_t* data, std::size_t size);

// Dallas/Maxim 1-Wire CRC-8: reflected polynomial 0x8C, start 0.
std::uint8_t oneWireCrc(const std::uint8_t* data, std::size_t size);

}  // namespace pellix::gwsim
