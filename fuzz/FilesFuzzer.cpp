// The configuration file and the descriptions file from arbitrary bytes. The same bytes
// go through both readers: an operator can open either kind of file with either command.
#include "ConfigurationFile.h"
#include "DescriptionsFile.h"
#include "FuzzCheck.h"
#include "InOutError.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

namespace {

bool sameRecord(const TChannelData& a, const TChannelData& b) {
  return a.ChannelNumber == b.ChannelNumber && a.RomCode == b.RomCode && a.Values == b.Values &&
         a.Status == b.Status;
}

void configuration(const QByteArray& bytes) {
  pellix::ConfigurationContent content;
  try {
    content = pellix::DecodeConfiguration(bytes, QStringLiteral("fuzz.bin"));
  } catch (const pellix::InOutError&) {
    FUZZ_CHECK(bytes.size() < pellix::ConfigRecordSize);
    return;
  }
  const qsizetype whole = bytes.size() / pellix::ConfigRecordSize - 1;
  FUZZ_CHECK(static_cast<qsizetype>(content.Records.size()) == std::min<qsizetype>(whole, 40));
  if (content.Valid) FUZZ_CHECK(whole == pellix::ConfigChannelCount);
  if (!content.Valid) return;
  // What was read is what would be written back.
  const QByteArray again = pellix::EncodeConfiguration(content.Records);
  FUZZ_CHECK(again.size() == pellix::ConfigFileSize);
  const pellix::ConfigurationContent reread = pellix::DecodeConfiguration(again, QStringLiteral("again.bin"));
  FUZZ_CHECK(reread.Valid);
  for (int k = 0; k < pellix::ConfigChannelCount; ++k)
    FUZZ_CHECK(sameRecord(reread.Records[k], content.Records[k]));
}

void descriptions(const QByteArray& bytes, bool numberFromOne, pellix::CodePage page) {
  const QStringList lines = pellix::DecodeDescriptionsText(bytes, page);
  const pellix::DescriptionsContent content = pellix::ParseDescriptions(lines, numberFromOne);
  FUZZ_CHECK(content.Valid == (!lines.isEmpty() && lines.first().contains(QStringLiteral("Pellix Tool"))));
  if (!content.Valid) return;
  FUZZ_CHECK(content.Line1.size() == 20 && content.Line2.size() == 20);
  FUZZ_CHECK(content.ChannelLines <= lines.size());
  TDynamicBackupArray records = content.Line1;
  records.insert(records.end(), content.Line2.begin(), content.Line2.end());
  for (const TBackupData& r : records) FUZZ_CHECK(r.Description.size() <= 30);

  // Saved and loaded again, every channel keeps what it got.
  const QStringList saved =
      pellix::DescriptionsFileLines(records, [] { return QDateTime(QDate(2026, 12, 7), QTime(9, 5, 7)); });
  const pellix::DescriptionsContent loaded = pellix::ParseDescriptions(saved, numberFromOne);
  FUZZ_CHECK(loaded.Valid && loaded.ChannelLines == 40);
  for (int k = 0; k < 20; ++k) {
    FUZZ_CHECK(loaded.Line1[k].Description == content.Line1[k].Description);
    FUZZ_CHECK(loaded.Line2[k].Description == content.Line2[k].Description);
    FUZZ_CHECK(loaded.Line1[k].RomCode == content.Line1[k].RomCode);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  configuration(bytes);
  descriptions(bytes, false, pellix::CodePage::Windows1252);
  descriptions(bytes, true, pellix::CodePage::Windows1250);
  return 0;
}
