#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

// A frame buffer: Length valid bytes of Data. Fixed size, so no frame ever allocates.
struct TCommFrame {
  static constexpr int Capacity = 251;
  uint8_t Data[Capacity] = {};
  uint8_t Length = 0;

  std::span<const uint8_t> bytes() const { return {Data, static_cast<std::size_t>(Length)}; }
};
