#pragma once
// The descriptions file: six header lines, then "number TAB ROM code TAB description"
// for each channel; text in the files' code page with CR LF after every line.
#include "ChannelData.h"
#include "ChannelsNumbering.h"
#include "TextCodePage.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>

namespace pellix {

inline constexpr char DescriptionsProductMark[] = "Pellix Tool";
inline constexpr char DescriptionNotFound[] = "[not found]";

// "7.12.2026": day and month without leading zero.
QString DescriptionsDateLine(const QDate& date);
// "9:05:07" with the locale's time separator.
QString DescriptionsTimeLine(const QTime& time, const QLocale& locale = QLocale());
// The separator between hours and minutes in the locale's short time format (":" if none).
QString LocaleTimeSeparator(const QLocale& locale);

// Lines 1-6 and one line per record. The clock is read once for the date line and once
// for the time line, as each is built.
QStringList DescriptionsFileLines(const TDynamicBackupArray& records,
                                  const std::function<QDateTime()>& clock = &QDateTime::currentDateTime,
                                  const QLocale& locale = QLocale());

// The code page, or UTF-8 with a BOM when the code page cannot hold every character;
// CR LF after every line.
QByteArray EncodeDescriptionsText(const QStringList& lines, CodePage page = TextFileCodePage());
// Lines split at CR LF, LF or CR; UTF-8 or the code page (DecodeTextFile).
QStringList DecodeDescriptionsText(const QByteArray& bytes, CodePage page = TextFileCodePage());

// Throws InOutError; a failed write keeps an existing file unchanged.
void WriteDescriptionsFile(const QString& fileName, const TDynamicBackupArray& records);
// Throws InOutError when the file cannot be read or is empty.
QStringList ReadDescriptionsLines(const QString& fileName);

struct DescriptionsContent {
  bool Valid = false;         // the first line names the product
  TDynamicBackupArray Line1;  // 20 entries each, in box order
  TDynamicBackupArray Line2;
  int ChannelLines = 0;  // lines that set an entry
};
// Channels that no line names keep "[not found]"; a later line for a channel replaces
// an earlier one.
DescriptionsContent ParseDescriptions(const QStringList& lines, bool numberFromOne = ChannelsNumbering);

}  // namespace pellix
