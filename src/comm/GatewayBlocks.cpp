#include "GatewayBlocks.h"

#include "RegisterMap.h"

#include <algorithm>

namespace pellix {

QString hex4(uint16_t value) { return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper(); }

LineService LineServiceFromBlock(const TRegisterBlock& regs, int line) {
  using namespace RegisterMap;
  LineService s;
  if (line != 0 && line != 1) return s;
  s.Command = regs[LineCommand(line) - ServiceBlock];
  s.Status = regs[LineOperationStatus(line) - ServiceBlock];
  const int rom0 = LineNewRomCode(line) - ServiceBlock;
  s.NewRomCode = {regs[rom0], regs[rom0 + 1], regs[rom0 + 2], regs[rom0 + 3]};
  return s;
}

QString OperationStatusText(uint16_t code) {
  switch (code) {
    case RegisterMap::StatusNoCommand:
      return QStringLiteral("No command received");
    case RegisterMap::StatusOk:
      return QStringLiteral("OK");
    case RegisterMap::StatusChannelOutOfRange:
      return QStringLiteral("Channel number out of range");
    case RegisterMap::StatusUnsupportedCommand:
      return QStringLiteral("Unsupported command number");
    case RegisterMap::StatusRomReadError:
      return QStringLiteral("Error reading ROM code");
    case RegisterMap::StatusRomCrcError:
      return QStringLiteral("CRC error when reading ROM code");
    default:
      return QStringLiteral("Undefined error code");
  }
}

QString NewRomCodeText(const TRomCode& rom) { return QStringLiteral("New: ") + RomCodeToHex(rom); }

QString CommandText(uint16_t command) { return QStringLiteral("Command: 0x%1").arg(hex4(command)); }

QString OperationStatusLine(uint16_t status) {
  return QStringLiteral("Operation status: %1 (0x%2)").arg(OperationStatusText(status), hex4(status));
}

QString SearchIndexText(uint16_t deviceIndex) {
  return QStringLiteral("Index: ") + QString::number(deviceIndex);
}

std::vector<TSearchResult> SearchResultsFromBlock(const TRegisterBlock& regs, uint16_t startAddress) {
  std::vector<TSearchResult> results;
  using namespace RegisterMap;
  if (startAddress != SearchResultsLine1 && startAddress != SearchResultsLine2) return results;
  const int firstSlot = (startAddress - SearchResultsLine1) / SearchRecordRegisters + 1;
  results.reserve(SearchRecordCount);
  for (int k = 0; k < SearchRecordCount; ++k) {
    const int base = SearchRecordRegisters * k;
    TSearchResult r;
    r.SlotIndex = firstSlot + k;
    std::copy_n(regs.begin() + base + SearchRecordRomCodeOffset, RomCodeWords, r.RomCode.begin());
    r.DeviceIndex = regs[base + SearchRecordIndexOffset];
    results.push_back(r);
  }
  return results;
}

}  // namespace pellix
