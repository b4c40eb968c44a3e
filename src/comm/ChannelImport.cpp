#include "ChannelImport.h"

#include "ChannelStatus.h"
#include "ChannelsNumbering.h"
#include "RegisterMap.h"
#include "RomCode.h"

#include <QStringList>
#include <algorithm>
#include <iterator>

namespace pellix {
namespace {

// A free channel may read back as all zero or as status 255, whatever the file held for it.
bool Holds(const TChannelData& read, const TRomCode& expected) {
  if (IsBlankRomCode(expected)) return read.Status == StatusFree || read.RomCode == RomCodeEmpty;
  return read.Status != StatusFree && read.RomCode == expected;
}

QString DisplayedNumbers(const std::vector<int>& channels) {
  QStringList numbers;
  for (int c : channels) numbers << QString::number(DisplayedNumber(c));
  return numbers.join(QStringLiteral(", "));
}

}  // namespace

std::map<int, TRomCode> ImportedAssignments(const TDynamicLogArray& records) {
  std::map<int, TRomCode> out;
  for (const TChannelData& r : records)
    if (IsValidChannelNumber(r.ChannelNumber)) out[r.ChannelNumber] = r.RomCode;
  return out;
}

ImportCheck::ImportCheck(const std::map<int, TRomCode>& expected) : expected_(expected) {}

void ImportCheck::TakeBlock(uint16_t startAddress, const TRegisterBlock& registers) {
  if (!RegisterMap::IsChannelBlock(startAddress)) return;
  const int first = RegisterMap::FirstChannelOfBlock(startAddress);
  for (int k = 0; k < RegisterMap::ChannelsPerBlock; ++k)
    read_[static_cast<size_t>(first - 1 + k)] =
        ChannelFromRegisters(first + k, &registers[static_cast<size_t>(k * RegisterMap::ChannelRegisters)]);
}

bool ImportCheck::Complete() const {
  for (const auto& [channel, rom] : expected_)
    if (!read_[static_cast<size_t>(channel - 1)]) return false;
  return true;
}

std::vector<int> ImportResult::Unconfirmed() const {
  std::vector<int> out;
  std::merge(Differ.begin(), Differ.end(), NotRead.begin(), NotRead.end(), std::back_inserter(out));
  return out;
}

ImportResult ImportCheck::Result() const {
  ImportResult result;
  for (const auto& [channel, rom] : expected_) {
    const auto& read = read_[static_cast<size_t>(channel - 1)];
    if (!read)
      result.NotRead.push_back(channel);
    else if (!Holds(*read, rom))
      result.Differ.push_back(channel);
  }
  return result;
}

QString ImportProgressText(const QString& fileName, int displayedNumber) {
  return QStringLiteral("Writing channels from file %1... (Channel %2)")
      .arg(fileName, QString::number(displayedNumber));
}

QString ImportNothingText(const QString& fileName) {
  return QStringLiteral("The file %1 assigns no channel. Nothing has been written to the gateway.")
      .arg(fileName);
}

QString ImportDifferReport(const ImportResult& result, const QString& fileName) {
  QStringList sentences;
  if (!result.Differ.empty())
    sentences << (result.Differ.size() == 1
                      ? QStringLiteral("Channel %1 does not hold the ROM code from the file %2.")
                      : QStringLiteral("Channels %1 do not hold the ROM codes from the file %2."))
                     .arg(DisplayedNumbers(result.Differ), fileName);
  if (!result.NotRead.empty())
    sentences << (result.NotRead.size() == 1
                      ? QStringLiteral("Channel %1 could not be read back from the gateway.")
                      : QStringLiteral("Channels %1 could not be read back from the gateway."))
                     .arg(DisplayedNumbers(result.NotRead));
  return sentences.join(QLatin1Char('\n'));
}

QString ImportDifferText(const ImportResult& result, const QString& fileName) {
  return ImportDifferReport(result, fileName) + QLatin1Char('\n') +
         (result.Differ.size() + result.NotRead.size() == 1
              ? QStringLiteral("Do you want to import it again?")
              : QStringLiteral("Do you want to import them again?"));
}

QString ImportUncheckedText(const QString& fileName) {
  return QStringLiteral(
             "Communication port is inactive: the channels from the file %1 could not be "
             "read back and checked.\nConnect and run the import again.")
      .arg(fileName);
}

}  // namespace pellix
