#include "DescriptionsFile.h"

#include "AppIdentificators.h"
#include "FileIo.h"
#include "InOutError.h"

namespace pellix {
namespace {

constexpr QChar Tab = QLatin1Char('\t');

// A TAB or a line break inside a description would split its line into other fields
// or other lines and lose the channel on loading.
QString OneField(QString text) {
  for (QChar& c : text)
    if (c == Tab || c == QLatin1Char('\r') || c == QLatin1Char('\n')) c = QLatin1Char(' ');
  return text;
}

// Optional blanks around, optional sign, decimal digits.
bool ParseNumber(QStringView text, int& number) {
  text = text.trimmed();
  qsizetype i = 0;
  const bool negative = i < text.size() && text[i] == QLatin1Char('-');
  if (i < text.size() && (text[i] == QLatin1Char('+') || negative)) ++i;
  if (i == text.size()) return false;
  for (qsizetype k = i; k < text.size(); ++k)
    if (text[k] < QLatin1Char('0') || text[k] > QLatin1Char('9')) return false;
  // Leading zeros count for nothing ("0000000005" is 5); nine digits cannot overflow.
  while (i + 1 < text.size() && text[i] == QLatin1Char('0')) ++i;
  if (text.size() - i > 9) return false;
  bool ok = false;
  number = text.mid(i).toInt(&ok, 10);
  if (negative) number = -number;
  return ok;
}

TBackupData NotFoundEntry(int channelNumber, bool numberFromOne) {
  const int shown = DisplayedNumber(channelNumber, numberFromOne);
  return {static_cast<uint8_t>(shown), QString::number(shown), QString(),
          QString::fromLatin1(DescriptionNotFound)};
}

}  // namespace

QString DescriptionsDateLine(const QDate& date) {
  return QStringLiteral("%1.%2.%3")
      .arg(date.day())
      .arg(date.month())
      .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString LocaleTimeSeparator(const QLocale& locale) {
  const QString format = locale.timeFormat(QLocale::ShortFormat);
  qsizetype i = 0;
  while (i < format.size() && format[i] != QLatin1Char('h') && format[i] != QLatin1Char('H')) ++i;
  while (i < format.size() && (format[i] == QLatin1Char('h') || format[i] == QLatin1Char('H'))) ++i;
  QString separator;
  bool quoted = false;
  for (; i < format.size(); ++i) {
    const QChar c = format[i];
    if (c == QLatin1Char('\'')) {
      quoted = !quoted;
      continue;
    }
    if (!quoted && c == QLatin1Char('m')) break;
    separator += c;
  }
  return separator.isEmpty() || i == format.size() ? QStringLiteral(":") : separator;
}

QString DescriptionsTimeLine(const QTime& time, const QLocale& locale) {
  const QString sep = LocaleTimeSeparator(locale);
  return QString::number(time.hour()) + sep +
         QStringLiteral("%1").arg(time.minute(), 2, 10, QLatin1Char('0')) + sep +
         QStringLiteral("%1").arg(time.second(), 2, 10, QLatin1Char('0'));
}

QStringList DescriptionsFileLines(const TDynamicBackupArray& records, const std::function<QDateTime()>& clock,
                                  const QLocale& locale) {
  QStringList lines;
  lines << WindowCaption() << QStringLiteral("Gateway channel configuration")
        << DescriptionsDateLine(clock().date()) << DescriptionsTimeLine(clock().time(), locale) << QString()
        << QStringLiteral("ChannelNumber\tROMCode\tDescription");
  for (const TBackupData& r : records)
    lines << r.NumberText + Tab + OneField(r.RomCode) + Tab + OneField(r.Description);
  return lines;
}

QByteArray EncodeDescriptionsText(const QStringList& lines, CodePage page) {
  const TextFileEncoding encoding = TextFileEncoding::For(lines, page);
  QByteArray out = encoding.Utf8 ? QByteArray(Utf8Bom) : QByteArray();
  for (const QString& line : lines) out += encoding.Encode(line) + "\r\n";
  return out;
}

QStringList DecodeDescriptionsText(const QByteArray& bytes, CodePage page) {
  const QString text = DecodeTextFile(bytes, page);
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
    lines << text.mid(start, i - start);
    if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
    start = i + 1;
  }
  if (start < text.size()) lines << text.mid(start);
  return lines;
}

void WriteDescriptionsFile(const QString& fileName, const TDynamicBackupArray& records) {
  WriteFileSafely(fileName, EncodeDescriptionsText(DescriptionsFileLines(records)));
}

QStringList ReadDescriptionsLines(const QString& fileName) {
  const QByteArray bytes = ReadFileBytes(fileName);
  if (bytes.isEmpty()) throw InOutError(QStringLiteral("The file %1 is empty.").arg(fileName));
  return DecodeDescriptionsText(bytes);
}

DescriptionsContent ParseDescriptions(const QStringList& lines, bool numberFromOne) {
  DescriptionsContent content;
  if (lines.isEmpty() || !lines.first().contains(QLatin1String(DescriptionsProductMark))) return content;
  content.Valid = true;
  for (int k = 0; k < ChannelsPerLine; ++k) {
    content.Line1.push_back(NotFoundEntry(ChannelNumberFromIndex(k), numberFromOne));
    content.Line2.push_back(NotFoundEntry(ChannelNumberFromIndex(k + ChannelsPerLine), numberFromOne));
  }
  for (const QString& line : lines) {
    const qsizetype tab1 = line.indexOf(Tab);
    if (tab1 < 0) continue;
    int number = 0;
    if (!ParseNumber(QStringView(line).left(tab1), number)) continue;
    const qsizetype tab2 = line.indexOf(Tab, tab1 + 1);
    if (tab2 < 0 || line.indexOf(Tab, tab2 + 1) >= 0) continue;
    // Below or above the range of the numbering in force: no channel.
    const int index = numberFromOne ? number - 1 : number;
    if (index < 0 || index >= ChannelCount) continue;
    TBackupData& entry = (index < ChannelsPerLine ? content.Line1 : content.Line2)[index % ChannelsPerLine];
    entry.RomCode = line.mid(tab1 + 1, tab2 - tab1 - 1);
    entry.Description = LimitDescription(line.mid(tab2 + 1));
    ++content.ChannelLines;
  }
  return content;
}

}  // namespace pellix
