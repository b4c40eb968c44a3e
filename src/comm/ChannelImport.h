#pragma once
// What the configuration import writes and how it is checked: the channels the records
// assign, the channel blocks read back afterwards, and the texts the operator sees.
#include "ChannelData.h"
#include "RegisterMap.h"

#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace pellix {

// Channel number -> the ROM code the records leave in it (a later record for the same
// channel replaces an earlier one). Records with no valid channel number write nothing.
std::map<int, TRomCode> ImportedAssignments(const TDynamicLogArray& records);

// What reading the channels back found: channel numbers, in order.
struct ImportResult {
  std::vector<int> Differ;   // read back with another ROM code
  std::vector<int> NotRead;  // not read back at all
  bool Confirmed() const { return Differ.empty() && NotRead.empty(); }
  // Both kinds, in order: what is worth writing again.
  std::vector<int> Unconfirmed() const;
};

// The channel blocks the poll reads back after the writes.
class ImportCheck {
 public:
  explicit ImportCheck(const std::map<int, TRomCode>& expected);

  // A good reply to the poll's read of the block at startAddress.
  void TakeBlock(uint16_t startAddress, const TRegisterBlock& registers);
  // Every block holding an expected channel has been read.
  bool Complete() const;
  ImportResult Result() const;

 private:
  std::map<int, TRomCode> expected_;
  std::array<std::optional<TChannelData>, 40> read_;
};

// "Writing channels from file %s... (Channel %d)" in one pass, so that a "%1" in the file
// name stays as it is.
QString ImportProgressText(const QString& fileName, int displayedNumber);
// The file assigns no channel at all.
QString ImportNothingText(const QString& fileName);
// Some channels do not hold what the file assigns, or could not be read back: their
// displayed numbers, and the offer to write them again.
QString ImportDifferText(const ImportResult& result, const QString& fileName);
// The same without the offer: one sentence per kind, one line each.
QString ImportDifferReport(const ImportResult& result, const QString& fileName);
// The port closed before the channels could be read back.
QString ImportUncheckedText(const QString& fileName);

}  // namespace pellix
