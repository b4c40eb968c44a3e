#include "ChannelReport.h"

#include "AppIdentificators.h"
#include "ChannelStatus.h"
#include "ChannelsNumbering.h"
#include "Family.h"
#include "RegisterMap.h"
#include "StrConsts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>

namespace pellix::cli {
namespace {

QString shortPart(const QString& hint) { return hint.section(QLatin1Char('|'), 0, 0); }

bool isFree(const TChannelData& c) { return c.Status == StatusFree; }

// One row of texts: number, ROM code, family, five values, status.
QStringList rowOf(const TChannelData& c) {
  QStringList row{QString::number(DisplayedNumber(c.ChannelNumber))};
  if (isFree(c)) {
    row << QString() << QString();
    for (int n = 0; n < 5; ++n) row << QString();
    row << QStringLiteral("free");
    return row;
  }
  row << RomCodeToHex(c.RomCode) << shortPart(FamilyFor(FamilyCode(c.RomCode)).Hint);
  for (const ChannelValueText& v : ChannelValueTexts(c)) row << v.Text;
  row << ChannelStatusText(c.Status);
  return row;
}

const QStringList Header{QStringLiteral("Channel"), QStringLiteral("ROM code"), QStringLiteral("Family"),
                         QStringLiteral("Value1"),  QStringLiteral("Value2"),   QStringLiteral("Value3"),
                         QStringLiteral("Value4"),  QStringLiteral("Value5"),   QStringLiteral("Status")};

QString csvField(const QString& text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
      !text.contains(QLatin1Char('\n')))
    return text;
  QString quoted = text;
  quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString hex2(int value) {
  return QStringLiteral("0x") + QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString withoutTrailingBlanks(QString line) {
  while (line.endsWith(QLatin1Char(' '))) line.chop(1);
  return line;
}

}  // namespace

GatewaySnapshot SnapshotFromBlocks(const TRegisterBlock& service,
                                   const std::array<TRegisterBlock, 4>& channelBlocks) {
  namespace rm = RegisterMap;
  GatewaySnapshot s;
  s.FirmwareVersion = service[rm::FirmwareVersion - rm::ServiceBlock];
  s.HardwareVersion = service[rm::HardwareVersion - rm::ServiceBlock];
  for (int channel = 1; channel <= rm::ChannelCount; ++channel) {
    const auto& block = channelBlocks[static_cast<std::size_t>((channel - 1) / rm::ChannelsPerBlock)];
    const int offset = ((channel - 1) % rm::ChannelsPerBlock) * rm::ChannelRegisters;
    s.Channels.push_back(ChannelFromRegisters(channel, &block[static_cast<std::size_t>(offset)]));
  }
  return s;
}

QString VersionsText(const GatewaySnapshot& s) {
  return StrConstFilled(27, FormatVersionNumber(s.FirmwareVersion)) + QLatin1Char('\n') +
         StrConstFilled(28, FormatVersionNumber(s.HardwareVersion)) + QLatin1Char('\n');
}

QString ChannelTable(const GatewaySnapshot& s) {
  std::vector<QStringList> rows{Header};
  for (const TChannelData& c : s.Channels) rows.push_back(rowOf(c));
  std::vector<qsizetype> width(Header.size(), 0);
  for (const QStringList& row : rows)
    for (qsizetype i = 0; i < row.size(); ++i) width[i] = std::max(width[i], row[i].size());
  QString out = VersionsText(s);
  for (const QStringList& row : rows) {
    QString line;
    for (qsizetype i = 0; i < row.size(); ++i) {
      // Numbers and values align right, texts left.
      const bool right = i == 0 || (i >= 3 && i <= 7);
      const QString cell = right ? row[i].rightJustified(width[i]) : row[i].leftJustified(width[i]);
      line += (i ? QStringLiteral("  ") : QString()) + cell;
    }
    out += withoutTrailingBlanks(line) + QLatin1Char('\n');
  }
  return out;
}

QString ChannelCsv(const GatewaySnapshot& s) {
  QString out = Header.join(QLatin1Char(',')) + QLatin1Char('\n');
  for (const TChannelData& c : s.Channels) {
    QStringList fields;
    for (const QString& f : rowOf(c)) fields << csvField(f);
    out += fields.join(QLatin1Char(',')) + QLatin1Char('\n');
  }
  return out;
}

QString ChannelJson(const GatewaySnapshot& s, bool indented) {
  QJsonObject versions{{QStringLiteral("firmware"), FormatVersionNumber(s.FirmwareVersion)},
                       {QStringLiteral("hardware"), FormatVersionNumber(s.HardwareVersion)},
                       {QStringLiteral("firmware_register"), s.FirmwareVersion},
                       {QStringLiteral("hardware_register"), s.HardwareVersion}};
  QJsonArray channels;
  for (const TChannelData& c : s.Channels) {
    const FamilyInfo family = FamilyFor(FamilyCode(c.RomCode));
    QJsonArray values;
    const auto texts = ChannelValueTexts(c);
    for (int n = 0; n < 5; ++n)
      values.append(
          QJsonObject{{QStringLiteral("raw"), c.Values[static_cast<std::size_t>(n)]},
                      {QStringLiteral("text"), texts[static_cast<std::size_t>(n)].Text},
                      {QStringLiteral("label"), shortPart(texts[static_cast<std::size_t>(n)].Hint)}});
    channels.append(QJsonObject{{QStringLiteral("number"), DisplayedNumber(c.ChannelNumber)},
                                {QStringLiteral("line"), LineOfChannel(c.ChannelNumber) + 1},
                                {QStringLiteral("rom_code"), RomCodeToHex(c.RomCode)},
                                {QStringLiteral("family_code"), hex2(FamilyCode(c.RomCode))},
                                {QStringLiteral("family"), shortPart(family.Hint)},
                                {QStringLiteral("free"), isFree(c)},
                                {QStringLiteral("values"), values},
                                {QStringLiteral("status"), c.Status},
                                {QStringLiteral("status_text"), ChannelStatusText(c.Status)}});
  }
  const QJsonObject root{{QStringLiteral("versions"), versions}, {QStringLiteral("channels"), channels}};
  return QString::fromUtf8(
             QJsonDocument(root).toJson(indented ? QJsonDocument::Indented : QJsonDocument::Compact))
             .trimmed() +
         QLatin1Char('\n');
}

}  // namespace pellix::cli
