#pragma once
#include <cstdint>

// A frame buffer: Length valid bytes of Data. Fixed size, so no frame ever allocates.
struct TCommFrame {
  static constexpr int Capacity = 251;
  uint8_t Data[Capacity] = {};
  uint8_t Length = 0;
};
