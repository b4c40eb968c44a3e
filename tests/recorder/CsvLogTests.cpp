#include "FileRecorder.h"
#include "InOutError.h"
#include "RecorderTestUtil.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

#include <sys/resource.h>

using namespace pellix;
using files_test::Folder;
using files_test::readAll;
using files_test::writeAll;
using recorder_test::Channel;
using recorder_test::FileRows;
using recorder_test::FileSizeLimit;
using recorder_test::Written;

namespace {

class LocaleTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
  void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

// ---- quoting ----

struct QuoteCase {
  const char* name;
  QString field;
  char delimiter;
  QString expected;
};

class CsvQuoting : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(CsvQuoting, QuotesOnlyWhatNeedsIt) {
  const QuoteCase& c = GetParam();
  EXPECT_EQ(CsvField(c.field, QLatin1Char(c.delimiter)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CsvQuoting,
    ::testing::Values(
        QuoteCase{"Plain", QStringLiteral("Ch0"), ',', QStringLiteral("Ch0")},
        QuoteCase{"Empty", QString(), ',', QString()},
        QuoteCase{"Space", QStringLiteral("a b"), ',', QStringLiteral("\"a b\"")},
        QuoteCase{"LeadingSpace", QStringLiteral(" x"), ';', QStringLiteral("\" x\"")},
        QuoteCase{"Tab", QStringLiteral("a\tb"), ',', QStringLiteral("\"a\tb\"")},
        QuoteCase{"LineFeed", QStringLiteral("a\nb"), ',', QStringLiteral("\"a\nb\"")},
        QuoteCase{"ControlCharacter", QStringLiteral("a\x01"), ',', QStringLiteral("\"a\x01\"")},
        QuoteCase{"ExclamationIsAbove32", QStringLiteral("a!"), ',', QStringLiteral("a!")},
        QuoteCase{"QuoteDoubled", QStringLiteral("say \"hi\""), ',', QStringLiteral("\"say \"\"hi\"\"\"")},
        QuoteCase{"LoneQuote", QStringLiteral("\""), ',', QStringLiteral("\"\"\"\"")},
        QuoteCase{"CommaDelimiter", QStringLiteral("1,5"), ',', QStringLiteral("\"1,5\"")},
        QuoteCase{"CommaUnderSemicolon", QStringLiteral("1,5"), ';', QStringLiteral("1,5")},
        QuoteCase{"SemicolonDelimiter", QStringLiteral("a;b"), ';', QStringLiteral("\"a;b\"")},
        QuoteCase{"SemicolonUnderComma", QStringLiteral("a;b"), ',', QStringLiteral("a;b")},
        QuoteCase{"DegreeSignAlone", QStringLiteral("°C"), ',', QStringLiteral("°C")},
        QuoteCase{"Temperature", QStringLiteral("23.5 °C"), ',', QStringLiteral("\"23.5 °C\"")}),
    [](const ::testing::TestParamInfo<QuoteCase>& info) { return std::string(info.param.name); });

TEST(CsvRow, OneEmptyFieldIsTwoQuotes) {
  EXPECT_EQ(CsvRow({QString()}, QLatin1Char(',')), QStringLiteral("\"\""));
}

TEST(CsvRow, EmptyFieldsAreBareBetweenDelimiters) {
  EXPECT_EQ(CsvRow({QString(), QString()}, QLatin1Char(',')), QStringLiteral(","));
  EXPECT_EQ(CsvRow({QStringLiteral("a"), QString(), QStringLiteral("b c")}, QLatin1Char(';')),
            QStringLiteral("a;;\"b c\""));
}

// ---- delimiter and temperatures by locale ----

struct LocaleCase {
  const char* name;
  QLocale::Language language;
  QLocale::Territory territory;
  char delimiter;
  QString temperature;  // of 235
};

class LogLocale : public ::testing::TestWithParam<LocaleCase> {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(GetParam().language, GetParam().territory)); }
  void TearDown() override { QLocale::setDefault(QLocale::c()); }
  Folder folder;
};

TEST_P(LogLocale, DelimiterFollowsTheDecimalSeparator) {
  TCSVFileRecorder log(folder.path("a.csv"), false);
  EXPECT_EQ(log.Delimiter(), QLatin1Char(GetParam().delimiter));
}

TEST_P(LogLocale, TemperatureIsQuotedWithTheLocaleSeparator) {
  const QString path = folder.path("t.csv");
  {
    TCSVFileRecorder log(path, false);
    log.WriteRow({QStringLiteral("x"), LogTemperatureField(Channel(1, 0x2800, 235))});
  }
  const QByteArray expected = QByteArray("x") + GetParam().delimiter + '"' +
                              GetParam().temperature.toLatin1() +
                              " \xB0"
                              "C\"\r\n";
  EXPECT_EQ(readAll(path), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Locales, LogLocale,
    ::testing::Values(
        LocaleCase{"C", QLocale::C, QLocale::AnyTerritory, ',', QStringLiteral("23.5")},
        LocaleCase{"EnglishUS", QLocale::English, QLocale::UnitedStates, ',', QStringLiteral("23.5")},
        LocaleCase{"German", QLocale::German, QLocale::Germany, ';', QStringLiteral("23,5")},
        LocaleCase{"Czech", QLocale::Czech, QLocale::CzechRepublic, ';', QStringLiteral("23,5")}),
    [](const ::testing::TestParamInfo<LocaleCase>& info) { return std::string(info.param.name); });

// ---- the writer ----

class CsvWriter : public LocaleTest {
 protected:
  Folder folder;
};

// The locale is C: Windows-1252, where the euro sign is the byte 0x80.
TEST_F(CsvWriter, RowsAreInTheCodePageWithCrLfAndUnknownCharactersBecomeQuestionMarks) {
  const QString path = folder.path("w.csv");
  {
    TCSVFileRecorder log(path, false);
    log.WriteRow({QStringLiteral("°"), QStringLiteral("\u20AC"), QStringLiteral("\U0001F600")});
    log.WriteRow({QString()});
  }
  EXPECT_EQ(readAll(path), QByteArray("\xB0,\x80,?\r\n\"\"\r\n"));
}

TEST_F(CsvWriter, EveryRowIsOnDiskBeforeTheWriterCloses) {
  const QString path = folder.path("live.csv");
  TCSVFileRecorder log(path, false);
  log.WriteRow({QStringLiteral("one")});
  EXPECT_EQ(readAll(path), QByteArray("one\r\n"));
  log.WriteRow({QStringLiteral("two")});
  EXPECT_EQ(readAll(path), QByteArray("one\r\ntwo\r\n"));
}

TEST_F(CsvWriter, PaddedRowHasExactlyNFields) {
  const QString path = folder.path("p.csv");
  {
    TCSVFileRecorder log(path, false);
    log.WriteRowPadded({QStringLiteral("a"), QStringLiteral("b")}, 5);
    log.WriteRowPadded({}, 3);
    log.WriteRowPadded({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}, 2);
  }
  EXPECT_EQ(readAll(path), QByteArray("a,b,,,\r\n,,\r\n1,2\r\n"));
}

TEST_F(CsvWriter, WithoutAppendAnExistingFileStartsEmpty) {
  const QString path = folder.path("old.csv");
  writeAll(path, "old contents\r\n");
  EXPECT_EQ(Written(path, false, {{QStringLiteral("new")}}), QByteArray("new\r\n"));
}

TEST_F(CsvWriter, AppendKeepsAnExistingFileAndCreatesAMissingOne) {
  const QString existing = folder.path("old.csv");
  writeAll(existing, "old\r\n");
  EXPECT_EQ(Written(existing, true, {{QStringLiteral("new")}}), QByteArray("old\r\nnew\r\n"));
  EXPECT_EQ(Written(folder.path("missing.csv"), true, {{QStringLiteral("first")}}), QByteArray("first\r\n"));
}

TEST_F(CsvWriter, TheAppendFlagIsKept) {
  EXPECT_TRUE(TCSVFileRecorder(folder.path("a.csv"), true).Append());
  EXPECT_FALSE(TCSVFileRecorder(folder.path("b.csv"), false).Append());
}

TEST_F(CsvWriter, AFileThatCannotBeCreatedGoesToLogFileCsvInTheFallbackFolder) {
  Folder fallback;
  const QString chosen = folder.path("no such folder/log.csv");
  writeAll(fallback.path("LogFile.csv"), "stale\r\n");
  {
    TCSVFileRecorder log(chosen, false, fallback.root());
    EXPECT_EQ(QFileInfo(log.FileName()), QFileInfo(fallback.path("LogFile.csv")));
    log.WriteRow({QStringLiteral("row")});
  }
  EXPECT_FALSE(QFileInfo::exists(chosen));
  EXPECT_EQ(readAll(fallback.path("LogFile.csv")), QByteArray("row\r\n"));
}

// The program's folder is seldom writable, nor where a user looks for a log.
TEST_F(CsvWriter, TheFallbackIsInTheUsersDataFolder) {
  TCSVFileRecorder log(folder.path("no such folder/log.csv"), false);
  EXPECT_EQ(QFileInfo(log.FileName()),
            QFileInfo(QDir(pellix::test::sandboxDir())
                          .filePath(QStringLiteral("home/.local/share/Pellix Tool/LogFile.csv"))));
}

TEST_F(CsvWriter, AFolderAsFileNameGoesToTheFallback) {
  Folder fallback;
  TCSVFileRecorder log(folder.root(), false, fallback.root());
  EXPECT_EQ(QFileInfo(log.FileName()), QFileInfo(fallback.path("LogFile.csv")));
}

TEST_F(CsvWriter, NeitherFileWritableRaisesWithBothNames) {
  const QString chosen = folder.path("missing/a.csv");
  const QString fallback = folder.path("also missing");
  try {
    TCSVFileRecorder log(chosen, false, fallback);
    FAIL() << "no error";
  } catch (const InOutError& e) {
    const QString text = QString::fromLocal8Bit(e.what());
    EXPECT_TRUE(text.contains(chosen)) << text.toStdString();
    EXPECT_TRUE(text.contains(QDir(fallback).filePath(QStringLiteral("LogFile.csv")))) << text.toStdString();
  }
}

TEST_F(CsvWriter, AFailingWriteRaisesInsteadOfLosingTheRow) {
  if (!QFileInfo::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full";
  TCSVFileRecorder log(QStringLiteral("/dev/full"), false);
  EXPECT_THROW(log.WriteRow({QStringLiteral("row")}), InOutError);
}

TEST_F(CsvWriter, AShortWriteRaises) {
  const QString path = folder.path("limited.csv");
  TCSVFileRecorder log(path, false);
  log.WriteRow({QStringLiteral("0123456789")});
  const FileSizeLimit limit(16);  // the next row gets cut short
  ASSERT_TRUE(limit.Active());
  EXPECT_THROW(log.WriteRow({QStringLiteral("0123456789")}), InOutError);
}

// ---- the rows of a log ----

TDynamicBackupArray Backups() {
  TDynamicBackupArray out;
  for (int c = 1; c <= 40; ++c)
    out.push_back(MakeBackupData(c, {static_cast<uint16_t>(0x2800 + c), 0, 0xABCD, 0x00EF}, QString()));
  out[0].Description = QStringLiteral("Boiler room");
  out[1].Description = QStringLiteral("say \"x\"");
  out[2].Description = QStringLiteral("Tank1");
  return out;
}

class LogFile : public LocaleTest {
 protected:
  // The header as the recorder writes it.
  QList<QByteArray> Header() {
    const QString path = folder.path("log.csv");
    {
      TCSVFileRecorder log(path, false);
      for (const QStringList& row : LogTitleRows()) log.WriteRowPadded(row, LogFieldCount);
      for (const QStringList& row : LogChannelRows(Backups())) log.WriteRow(row);
    }
    return FileRows(path);
  }
  Folder folder;
};

TEST_F(LogFile, TitleRowsEndInEmptyFields) {
  const QList<QByteArray> rows = Header();
  ASSERT_EQ(rows.size(), 7);
  EXPECT_EQ(rows[0], "Application:,\"Pellix Tool V1.09.3 (DUNO)\"" + QByteArray(39, ','));
  EXPECT_EQ(rows[1], "\"File info:\",\"Gateway log file\"" + QByteArray(39, ','));
  EXPECT_EQ(rows[2], QByteArray(40, ','));
}

TEST_F(LogFile, ChannelRowsNameEveryChannelInBoxOrder) {
  const QList<QByteArray> rows = Header();
  ASSERT_EQ(rows.size(), 7);
  const QList<QByteArray> names = rows[3].split(',');
  ASSERT_EQ(names.size(), 41);
  EXPECT_EQ(names[0], "Channel:");
  EXPECT_EQ(names[1], "Ch0");
  EXPECT_EQ(names[20], "Ch19");
  EXPECT_EQ(names[21], "Ch20");
  EXPECT_EQ(names[40], "Ch39");
  const QList<QByteArray> roms = rows[4].split(',');
  ASSERT_EQ(roms.size(), 41);
  EXPECT_EQ(roms[0], "\"ROM code:\"");  // a space: quoted like any field
  EXPECT_EQ(roms[1], "28010000ABCD00EF");
  EXPECT_EQ(roms[40], "28280000ABCD00EF");
}

TEST_F(LogFile, DescriptionsAreQuotedWhereNeeded) {
  const QList<QByteArray> rows = Header();
  ASSERT_EQ(rows.size(), 7);
  EXPECT_EQ(rows[5], "Description:,\"Boiler room\",\"say \"\"x\"\"\",Tank1" + QByteArray(37, ','));
}

TEST_F(LogFile, UnitRowNamesTheTemperatureColumns) {
  const QList<QByteArray> rows = Header();
  ASSERT_EQ(rows.size(), 7);
  QByteArray expected = "time";
  for (int i = 0; i < 40; ++i)
    expected +=
        ",\"value1 [\xB0"
        "C]\"";
  EXPECT_EQ(rows[6], expected);
}

struct FamilyCase {
  const char* name;
  uint16_t word0;
  uint16_t value1;
  QString expected;
};

class SampleField : public LocaleTest, public ::testing::WithParamInterface<FamilyCase> {};

TEST_P(SampleField, OnlyThermometerFamiliesGiveATemperature) {
  TChannelData r = Channel(1, GetParam().word0, GetParam().value1);
  EXPECT_EQ(LogTemperatureField(r), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Families, SampleField,
    ::testing::Values(FamilyCase{"DS18S20", 0x1011, 235, QStringLiteral("23.5 °C")},
                      FamilyCase{"DS28E17", 0x19FF, 0, QStringLiteral("0.0 °C")},
                      FamilyCase{"DS2438", 0x2600, 1000, QStringLiteral("100.0 °C")},
                      FamilyCase{"DS18B20", 0x2801, 0xFFFB, QStringLiteral("-0.5 °C")},
                      FamilyCase{"MostNegative", 0x2801, 0x8000, QStringLiteral("-3276.8 °C")},
                      FamilyCase{"MinusTen", 0x2801, 0xFF9C, QStringLiteral("-10.0 °C")},
                      FamilyCase{"IButton", 0x0100, 1, QString()},
                      FamilyCase{"NothingRead", 0xFFFF, 0xFFFF, QString()},
                      FamilyCase{"ZeroFamily", 0x0028, 235, QString()},
                      FamilyCase{"OtherThermometerFamily", 0x2200, 235, QString()},
                      FamilyCase{"Unknown", 0x3B00, 235, QString()}),
    [](const ::testing::TestParamInfo<FamilyCase>& info) { return std::string(info.param.name); });

TEST_F(LogFile, SampleRowOfMixedChannels) {
  TDynamicLogArray records;
  for (int c = 1; c <= 40; ++c) records.push_back(Channel(c, 0xFFFF, 0xFFFF));  // free channels
  records[0] = Channel(1, 0x2801, 235);
  records[1] = Channel(2, 0x0101, 1);  // iButton
  records[19] = Channel(20, 0x1001, 0xFFFB);
  records[39] = Channel(40, 0x1901, 0);
  const QString path = folder.path("s.csv");
  {
    TCSVFileRecorder log(path, false);
    log.WriteRow(LogSampleRow(QDateTime(QDate(2026, 12, 7), QTime(6, 45, 54)), records));
  }
  const QByteArray expected =
      "\"7.12.2026 6:45:54\",\"23.5 \xB0"
      "C\"" +
      QByteArray(18, ',') +
      ",\"-0.5 \xB0"
      "C\"" +
      QByteArray(19, ',') +
      ",\"0.0 \xB0"
      "C\"\r\n";
  EXPECT_EQ(readAll(path), expected);
}

TEST_F(LogFile, SampleTimeUsesTheLocaleTimeSeparator) {
  QLocale::setDefault(QLocale(QLocale::Finnish, QLocale::Finland));  // "." between hours and minutes
  const QStringList row = LogSampleRow(QDateTime(QDate(2026, 1, 2), QTime(13, 5, 9)), {});
  EXPECT_EQ(row, QStringList{QStringLiteral("2.1.2026 13.05.09")});
}

// ---- the sampling period ----

TEST(RecorderPeriod, DefaultWithoutAStoredValue) { EXPECT_EQ(ReadRecorderPeriod(), 60u); }

TEST(RecorderPeriod, WrittenPeriodIsReadBackUnderRecorderPeriod) {
  ASSERT_TRUE(WriteRecorderPeriod(4294967));
  EXPECT_EQ(ReadRecorderPeriod(), 4294967u);
  QSettings s(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool"));
  EXPECT_EQ(s.value(QStringLiteral("Recorder/Period")).toLongLong(), 4294967);
}

struct StoredCase {
  const char* name;
  QVariant stored;
  uint32_t read;
};

class StoredPeriod : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredPeriod, OutOfBoundsOrWrongTypeReadsAsTheDefault) {
  {
    QSettings s(QStringLiteral("Quorvel"), QStringLiteral("Pellix Tool"));
    s.setValue(QStringLiteral("Recorder/Period"), GetParam().stored);
    s.sync();
  }
  EXPECT_EQ(ReadRecorderPeriod(), GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredPeriod,
    ::testing::Values(StoredCase{"One", 1, 1}, StoredCase{"Largest", 4294967, 4294967},
                      StoredCase{"Ten", QStringLiteral("10"), 10}, StoredCase{"Zero", 0, 60},
                      StoredCase{"Negative", -5, 60}, StoredCase{"AboveLargest", 4294968, 60},
                      StoredCase{"Huge", QStringLiteral("99999999999999999999"), 60},
                      StoredCase{"Text", QStringLiteral("abc"), 60}, StoredCase{"Fraction", 2.5, 60},
                      StoredCase{"Empty", QString(), 60}),
    [](const ::testing::TestParamInfo<StoredCase>& info) { return std::string(info.param.name); });

TEST(RecorderPeriod, StoredInTheIniFileOfTheProduct) {
  ASSERT_TRUE(WriteRecorderPeriod(120));
  const QString ini = QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath("Quorvel/Pellix Tool.conf");
  const QByteArray text = readAll(ini);
  EXPECT_TRUE(text.contains("[Recorder]")) << text.toStdString();
  EXPECT_TRUE(text.contains("Period=120")) << text.toStdString();
}

struct PlanCase {
  uint32_t period;
  int intervalMs;
  int ticks;
};

class TimerPlan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(TimerPlan, IntervalFitsATimerAndTicksAddUpToThePeriod) {
  const RecorderTimerPlan plan = PlanRecorderTimer(GetParam().period);
  EXPECT_EQ(plan.IntervalMs, GetParam().intervalMs);
  EXPECT_EQ(plan.TicksPerSample, GetParam().ticks);
}

INSTANTIATE_TEST_SUITE_P(Periods, TimerPlan,
                         ::testing::Values(PlanCase{1, 1000, 1}, PlanCase{60, 60000, 1},
                                           PlanCase{2147483, 2147483000, 1}, PlanCase{2147484, 1073742000, 2},
                                           PlanCase{4294967, 2147483500, 2}, PlanCase{0, 1000, 1}),
                         [](const ::testing::TestParamInfo<PlanCase>& info) {
                           return "Seconds" + std::to_string(info.param.period);
                         });

}  // namespace
