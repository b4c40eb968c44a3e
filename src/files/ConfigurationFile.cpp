#include "ConfigurationFile.h"

#include "FileIo.h"
#include "InOutError.h"

#include <QtEndian>
#include <algorithm>

namespace pellix {
namespace {

void putWord(char* at, uint16_t value) { qToLittleEndian(value, at); }
uint16_t getWord(const char* at) { return qFromLittleEndian<uint16_t>(at); }

// The channel record's layout.
constexpr int NumberAt = 0;
constexpr int RomAt = 2;
constexpr int ValuesAt = 10;
constexpr int StatusAt = 20;

// A 41st whole record makes the file invalid, so that is all we ever need to read.
constexpr qint64 BytesToJudge = qint64(ConfigRecordSize) * (ConfigChannelCount + 2);

}  // namespace

QByteArray EncodeChannelRecord(const TChannelData& record) {
  QByteArray out(ConfigRecordSize, '\0');
  char* p = out.data();
  p[NumberAt] = static_cast<char>(record.ChannelNumber);
  for (int i = 0; i < 4; ++i) putWord(p + RomAt + 2 * i, record.RomCode[i]);
  for (int i = 0; i < 5; ++i) putWord(p + ValuesAt + 2 * i, record.Values[i]);
  p[StatusAt] = static_cast<char>(record.Status);
  return out;
}

TChannelData DecodeChannelRecord(const char* p) {
  TChannelData record;
  record.ChannelNumber = static_cast<uint8_t>(p[NumberAt]);
  for (int i = 0; i < 4; ++i) record.RomCode[i] = getWord(p + RomAt + 2 * i);
  for (int i = 0; i < 5; ++i) record.Values[i] = getWord(p + ValuesAt + 2 * i);
  record.Status = static_cast<uint8_t>(p[StatusAt]);
  return record;
}

QByteArray EncodeConfiguration(const TDynamicLogArray& records) {
  QByteArray out(ConfigRecordSize, '\0');
  for (const auto& [offset, word] : ConfigMagicWords) putWord(out.data() + offset, word);
  for (int k = 0; k < ConfigChannelCount; ++k)
    out += EncodeChannelRecord(k < static_cast<int>(records.size()) ? records[k] : TChannelData{});
  return out;
}

ConfigurationContent DecodeConfiguration(const QByteArray& bytes, const QString& fileName) {
  if (bytes.size() < ConfigRecordSize)
    throw InOutError(QStringLiteral("Read beyond end of file %1.").arg(fileName));
  ConfigurationContent content;
  bool magicOk = true;
  for (const auto& [offset, word] : ConfigMagicWords)
    magicOk = magicOk && getWord(bytes.data() + offset) == word;

  // Only whole records count; a partial one at the end is never read.
  const qsizetype whole = (bytes.size() - ConfigRecordSize) / ConfigRecordSize;
  const qsizetype kept = std::min<qsizetype>(whole, ConfigChannelCount);
  content.Records.reserve(static_cast<size_t>(kept));
  for (qsizetype k = 0; k < kept; ++k)
    content.Records.push_back(DecodeChannelRecord(bytes.constData() + ConfigRecordSize * (k + 1)));
  content.Valid = magicOk && whole == ConfigChannelCount;
  return content;
}

void WriteConfigurationFile(const QString& fileName, const TDynamicLogArray& records) {
  WriteFileSafely(fileName, EncodeConfiguration(records));
}

ConfigurationContent ReadConfigurationFile(const QString& fileName) {
  return DecodeConfiguration(ReadFileBytes(fileName, BytesToJudge), fileName);
}

}  // namespace pellix
