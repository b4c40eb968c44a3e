#pragma once
// What a line's part of the service block and the search-result blocks say, as the
// search view and pellix-cli show it.
#include "RegisterMap.h"
#include "RomCode.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

// One record of a search-result block: 4 ROM code words, then the device index.
struct TSearchResult {
  int SlotIndex = 0;
  std::array<uint16_t, 4> RomCode{};
  uint16_t DeviceIndex = 0;
};

namespace pellix {

// A line's command register, the operation status of that command and the ROM code
// that "Find New" found.
struct LineService {
  uint16_t Command = 0;
  uint16_t Status = 0;
  TRomCode NewRomCode{};
};
// line 0 or 1; the block read from 1000.
LineService LineServiceFromBlock(const TRegisterBlock& regs, int line);

// Four upper-case hex digits: "05FF".
QString hex4(uint16_t value);
// The operation status code as its text ("OK", "Channel number out of range", ...).
QString OperationStatusText(uint16_t code);
// "New: " and the compact ROM code.
QString NewRomCodeText(const TRomCode& rom);
// "Command: 0x05FF".
QString CommandText(uint16_t command);
// "Operation status: OK (0xFFFF)".
QString OperationStatusLine(uint16_t status);
// "Index: 3".
QString SearchIndexText(uint16_t deviceIndex);

// The 20 records of a search-result block (1100 or 1200), each addressed to its slot
// index (1-20 for 1100, 21-40 for 1200). Empty for any other start address.
std::vector<TSearchResult> SearchResultsFromBlock(const TRegisterBlock& regs, uint16_t startAddress);

}  // namespace pellix
