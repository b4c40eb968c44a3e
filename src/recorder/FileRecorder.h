#pragma once
// The recorder's CSV log: the writer, the rows of a log file and the stored sampling period.
#include "ChannelData.h"
#include "TextCodePage.h"

#include <QChar>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QFile;

// One CSV file, written row by row in the text files' code page, CR LF, flushed after every
// row so that another program can read the file while it grows and nothing is lost when the
// program ends.
class TCSVFileRecorder {
 public:
  // Opens fileName. When that fails the log goes to LogFile.csv in fallbackFolder (the
  // user's data folder when empty), with the same append flag. Throws InOutError when
  // neither file can be opened. The delimiter follows the user's decimal separator.
  TCSVFileRecorder(const QString& fileName, bool append, const QString& fallbackFolder = {});
  ~TCSVFileRecorder();
  TCSVFileRecorder(const TCSVFileRecorder&) = delete;
  TCSVFileRecorder& operator=(const TCSVFileRecorder&) = delete;

  void SetFileName(const QString& fileName);
  // Appends to an existing file when append is set, otherwise creates or truncates it.
  // Throws InOutError.
  void OpenLog(bool append);
  // One row, flushed. Throws InOutError when the row does not reach the file completely.
  void WriteRow(const QStringList& fields);
  // Exactly n fields: the first n of the list, padded with empty ones.
  void WriteRowPadded(const QStringList& fields, int n);
  // How the following rows are encoded; a UTF-8 log starts with a BOM.
  void SetEncoding(const pellix::TextFileEncoding& encoding) { encoding_ = encoding; }

  QString FileName() const { return fileName_; }
  QChar Delimiter() const { return delimiter_; }
  bool Append() const { return append_; }
  // The chosen file could not be created and the log went to LogFile.csv.
  bool UsesFallback() const { return usesFallback_; }
  const pellix::TextFileEncoding& Encoding() const { return encoding_; }

 private:
  QString fileName_;
  bool usesFallback_ = false;
  pellix::TextFileEncoding encoding_;
  QChar delimiter_ = QLatin1Char(',');
  bool append_ = false;
  std::unique_ptr<QFile> file_;
};

namespace pellix {

inline constexpr char LogFallbackFileName[] = "LogFile.csv";
// Where LogFile.csv goes by default: the user's data folder of the program, which is
// writable and where a user looks, unlike the program's own folder.
QString LogFallbackFolder();
// One leading field and one per channel.
inline constexpr int LogFieldCount = 41;

// "," where the decimal separator is ".", otherwise ";".
QChar CsvDelimiter(const QLocale& locale = QLocale());
// Quoted when it holds a character of code 32 or below, a double quote or the delimiter.
QString CsvField(const QString& field, QChar delimiter);
// The fields joined by the delimiter; a row of one empty field is "\"\"".
QString CsvRow(const QStringList& fields, QChar delimiter);

// Rows 1-3 of a log, written padded to LogFieldCount fields.
QList<QStringList> LogTitleRows();
// Rows 4-7: channel names, ROM codes and descriptions as they are now, and the column units.
QList<QStringList> LogChannelRows(const TDynamicBackupArray& channels);
// The temperature of a thermometer family ("23.5 °C" in the user's locale), empty otherwise.
QString LogTemperatureField(const TChannelData& record);
// "7.12.2026 6:45:54" and one temperature field per record.
QStringList LogSampleRow(const QDateTime& when, const TDynamicLogArray& records);

// The sampling period in whole seconds.
inline constexpr uint32_t RecorderPeriodMin = 1;
inline constexpr uint32_t RecorderPeriodMax = 4294967;
inline constexpr uint32_t RecorderPeriodDefault = 60;

// The stored period; the default when the store has none, or one that is not a whole
// number within the bounds.
uint32_t ReadRecorderPeriod();
// False when the store could not be written.
bool WriteRecorderPeriod(uint32_t seconds);

// A timer cannot wait longer than INT_MAX ms (under 25 days), but the period goes up to
// almost 50: the timer then fires at a whole fraction of the period and every
// TicksPerSample-th tick takes a sample.
struct RecorderTimerPlan {
  int IntervalMs = 0;
  int TicksPerSample = 1;
};
RecorderTimerPlan PlanRecorderTimer(uint32_t periodSeconds);

}  // namespace pellix
