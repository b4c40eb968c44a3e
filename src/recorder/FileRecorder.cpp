#include "FileRecorder.h"

#include "AppIdentificators.h"
#include "DescriptionsFile.h"
#include "Family.h"
#include "InOutError.h"
#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

TCSVFileRecorder::TCSVFileRecorder(const QString& fileName, bool append, const QString& fallbackFolder)
    : fileName_(fileName), encoding_{pellix::TextFileCodePage(), false} {
  try {
    OpenLog(append);
  } catch (const pellix::InOutError& first) {
    QString folder = fallbackFolder;
    if (folder.isEmpty()) {
      folder = pellix::LogFallbackFolder();
      QDir().mkpath(folder);  // on first use it does not exist yet; a failure shows at the open
    }
    SetFileName(QDir(folder).filePath(QString::fromLatin1(pellix::LogFallbackFileName)));
    usesFallback_ = true;
    try {
      OpenLog(append);
    } catch (const pellix::InOutError& second) {
      // Neither place takes the log: say where both attempts went and why.
      throw pellix::InOutError(QString::fromLocal8Bit(first.what()) + QLatin1Char('\n') +
                               QString::fromLocal8Bit(second.what()));
    }
  }
  delimiter_ = pellix::CsvDelimiter();
}

TCSVFileRecorder::~TCSVFileRecorder() = default;

void TCSVFileRecorder::SetFileName(const QString& fileName) { fileName_ = fileName; }

void TCSVFileRecorder::OpenLog(bool append) {
  file_.reset();
  // QFile opens a folder for writing on some systems; it could never hold a log.
  if (QFileInfo(fileName_).isDir())
    throw pellix::InOutError(QStringLiteral("Cannot create the file %1. It is a folder.").arg(fileName_));
  auto file = std::make_unique<QFile>(fileName_);
  const bool appending = append && file->exists();
  // Unbuffered: every row goes to the system at once, and a failing write shows there.
  const QIODevice::OpenMode mode =
      QIODevice::WriteOnly | QIODevice::Unbuffered | (appending ? QIODevice::Append : QIODevice::Truncate);
  if (!file->open(mode))
    throw pellix::InOutError(
        QStringLiteral("Cannot create the file %1. %2").arg(fileName_, file->errorString()));
  file_ = std::move(file);
  append_ = append;
}

void TCSVFileRecorder::WriteRow(const QStringList& fields) {
  if (!file_) throw pellix::InOutError(QStringLiteral("Cannot write the file %1.").arg(fileName_));
  QByteArray bytes = encoding_.Encode(pellix::CsvRow(fields, delimiter_)) + "\r\n";
  if (encoding_.Utf8 && file_->size() == 0) bytes.prepend(pellix::Utf8Bom);
  errno = 0;
  const qint64 written = file_->write(bytes);
  const int writeErrno = errno;
  if (written == bytes.size() && file_->flush()) return;
  const QString reason = written >= 0 && written < bytes.size() && writeErrno != 0
                             ? QString::fromLocal8Bit(std::strerror(writeErrno))
                             : file_->errorString();
  throw pellix::InOutError(QStringLiteral("Cannot write the file %1. %2").arg(fileName_, reason));
}

void TCSVFileRecorder::WriteRowPadded(const QStringList& fields, int n) {
  QStringList row = fields.mid(0, n);
  while (row.size() < n) row.append(QString());
  WriteRow(row);
}

namespace pellix {

QString LogFallbackFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/Pellix Tool");
}

QChar CsvDelimiter(const QLocale& locale) {
  return locale.decimalPoint() == QLatin1String(".") ? QLatin1Char(',') : QLatin1Char(';');
}

QString CsvField(const QString& field, QChar delimiter) {
  bool quote = false;
  for (const QChar c : field) {
    if (c.unicode() <= 32 || c == QLatin1Char('"') || c == delimiter) {
      quote = true;
      break;
    }
  }
  if (!quote) return field;
  QString out = field;
  out.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + out + QLatin1Char('"');
}

QString CsvRow(const QStringList& fields, QChar delimiter) {
  // Written bare, one empty field would be an empty line, which reads back as no field.
  if (fields.size() == 1 && fields.constFirst().isEmpty()) return QStringLiteral("\"\"");
  QString row;
  for (qsizetype i = 0; i < fields.size(); ++i) {
    if (i > 0) row += delimiter;
    row += CsvField(fields[i], delimiter);
  }
  return row;
}

QList<QStringList> LogTitleRows() {
  return {{QStringLiteral("Application:"), WindowCaption()},
          {QStringLiteral("File info:"), QStringLiteral("Gateway log file")},
          {}};
}

QList<QStringList> LogChannelRows(const TDynamicBackupArray& channels) {
  QStringList names{QStringLiteral("Channel:")};
  QStringList roms{QStringLiteral("ROM code:")};
  QStringList descriptions{QStringLiteral("Description:")};
  QStringList units{QStringLiteral("time")};
  for (const TBackupData& c : channels) {
    names << QStringLiteral("Ch") + c.NumberText;
    roms << c.RomCode;
    descriptions << c.Description;
    units << QStringLiteral("value1 [°C]");
  }
  return {names, roms, descriptions, units};
}

QString LogTemperatureField(const TChannelData& record) {
  const FamilyInfo family = FamilyFor(FamilyCode(record.RomCode));
  if (family.Kinds[0] != vkTemperature) return {};
  return FormatChannelValue(record.Values[0], vkTemperature);
}

QStringList LogSampleRow(const QDateTime& when, const TDynamicLogArray& records) {
  QStringList row{DescriptionsDateLine(when.date()) + QLatin1Char(' ') + DescriptionsTimeLine(when.time())};
  for (const TChannelData& r : records) row << LogTemperatureField(r);
  return row;
}

namespace {

const QString PeriodKey = QStringLiteral("Recorder/Period");

}  // namespace

uint32_t ReadRecorderPeriod() {
  const QVariant value = SettingsStore().value(PeriodKey);
  if (!value.isValid()) return RecorderPeriodDefault;
  bool ok = false;
  const qlonglong seconds = value.toString().trimmed().toLongLong(&ok);
  if (!ok || seconds < RecorderPeriodMin || seconds > RecorderPeriodMax) return RecorderPeriodDefault;
  return static_cast<uint32_t>(seconds);
}

bool WriteRecorderPeriod(uint32_t seconds) {
  QSettings s = SettingsStore();
  s.setValue(PeriodKey, static_cast<qlonglong>(seconds));
  s.sync();
  return s.status() == QSettings::NoError;
}

RecorderTimerPlan PlanRecorderTimer(uint32_t periodSeconds) {
  const uint64_t seconds = std::clamp<uint64_t>(periodSeconds, RecorderPeriodMin, RecorderPeriodMax);
  const uint64_t periodMs = seconds * 1000;
  int ticks = 1;
  while (periodMs / static_cast<uint64_t>(ticks) > static_cast<uint64_t>(INT_MAX) ||
         periodMs % static_cast<uint64_t>(ticks) != 0)
    ++ticks;
  return {static_cast<int>(periodMs / static_cast<uint64_t>(ticks)), ticks};
}

}  // namespace pellix
