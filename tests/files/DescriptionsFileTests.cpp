#include "DescriptionsFile.h"
#include "FilesTestUtil.h"
#include "InOutError.h"

#include <gtest/gtest.h>
#include <optional>

using namespace pellix;

namespace {

TDynamicBackupArray FortyRecords() {
  TDynamicBackupArray records;
  for (int c = 1; c <= 40; ++c)
    records.push_back(MakeBackupData(c, {0x28A1, 0, 0, static_cast<uint16_t>(c)},
                                     c % 4 == 0 ? QString() : QStringLiteral("Room %1").arg(c)));
  return records;
}

QDateTime FixedClock() { return QDateTime(QDate(2026, 12, 7), QTime(9, 5, 7)); }

const TBackupData& Entry(const DescriptionsContent& c, int index) {
  return index < 20 ? c.Line1[index] : c.Line2[index - 20];
}

}  // namespace

TEST(DescriptionsWriting, HeaderLinesThenOneLinePerChannelWithCrLfAfterEach) {
  const QByteArray bytes =
      EncodeDescriptionsText(DescriptionsFileLines(FortyRecords(), FixedClock, QLocale(QLocale::English)));
  EXPECT_TRUE(bytes.startsWith(
      "Pellix Tool V1.09.3 (DUNO)\r\nGateway channel configuration\r\n7.12.2026\r\n9:05:07\r\n\r\n"
      "ChannelNumber\tROMCode\tDescription\r\n"
      "0\t28A1000000000001\tRoom 1\r\n"));
  EXPECT_TRUE(bytes.endsWith("\r\n39\t28A1000000000028\t\r\n"));
  EXPECT_EQ(bytes.count("\r\n"), 46);
  EXPECT_EQ(bytes.count('\n'), 46);
}

TEST(DescriptionsWriting, ClockIsReadForTheDateAndAgainForTheTime) {
  int reads = 0;
  const auto lines = DescriptionsFileLines(
      {},
      [&] {
        ++reads;
        return reads == 1 ? QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))
                          : QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0));
      },
      QLocale(QLocale::English));
  EXPECT_EQ(reads, 2);
  EXPECT_EQ(lines[2], "31.12.2026");
  EXPECT_EQ(lines[3], "0:00:00");
}

class DateLine : public ::testing::TestWithParam<std::pair<QDate, const char*>> {};
TEST_P(DateLine, DayAndMonthWithoutLeadingZero) {
  EXPECT_EQ(DescriptionsDateLine(GetParam().first), GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(Dates, DateLine,
                         ::testing::Values(std::pair{QDate(2026, 12, 7), "7.12.2026"},
                                           std::pair{QDate(2026, 1, 5), "5.1.2026"},
                                           std::pair{QDate(2027, 10, 31), "31.10.2027"}));

class TimeLine
    : public ::testing::TestWithParam<std::tuple<QTime, QLocale::Language, QLocale::Territory, const char*>> {
};
TEST_P(TimeLine, HourWithoutLeadingZeroAndTheLocaleSeparator) {
  const auto [time, language, territory, text] = GetParam();
  EXPECT_EQ(DescriptionsTimeLine(time, QLocale(language, territory)), text);
}
INSTANTIATE_TEST_SUITE_P(
    Times, TimeLine,
    ::testing::Values(std::tuple{QTime(9, 5, 7), QLocale::English, QLocale::UnitedStates, "9:05:07"},
                      std::tuple{QTime(0, 0, 0), QLocale::Czech, QLocale::CzechRepublic, "0:00:00"},
                      std::tuple{QTime(23, 59, 9), QLocale::Finnish, QLocale::Finland, "23.59.09"}));

TEST(DescriptionsWriting, TabsAndLineBreaksInADescriptionDoNotSplitItsLine) {
  TDynamicBackupArray records = FortyRecords();
  records[3].Description = "a\tb\r\nc";
  const QStringList lines = DescriptionsFileLines(records, FixedClock);
  EXPECT_EQ(lines[6 + 3], "3\t28A1000000000004\ta b  c");
  const auto back = ParseDescriptions(DecodeDescriptionsText(EncodeDescriptionsText(lines)));
  EXPECT_EQ(back.ChannelLines, 40);
}

TEST(DescriptionsReading, LinesEndAtCrLfLfOrCr) {
  EXPECT_EQ(DecodeDescriptionsText("a\r\nb\nc\rd"), (QStringList{"a", "b", "c", "d"}));
  EXPECT_EQ(DecodeDescriptionsText("a\r\n\r\n"), (QStringList{"a", ""}));
  EXPECT_EQ(DecodeDescriptionsText("\xB0\xE9"), QStringList{QString::fromUtf8("\u00B0\u00E9")});
}

TEST(DescriptionsReading, WrittenFileLoadsEveryChannelBack) {
  files_test::Folder dir;
  const QString path = dir.path("d.txt");
  WriteDescriptionsFile(path, FortyRecords());
  const DescriptionsContent content = ParseDescriptions(ReadDescriptionsLines(path));
  ASSERT_TRUE(content.Valid);
  EXPECT_EQ(content.ChannelLines, 40);
  for (int k = 0; k < 40; ++k) {
    EXPECT_EQ(Entry(content, k).Description, FortyRecords()[k].Description) << k;
    EXPECT_EQ(Entry(content, k).RomCode, FortyRecords()[k].RomCode) << k;
  }
}

TEST(DescriptionsReading, EmptyOrMissingFileIsAnInputOutputError) {
  files_test::Folder dir;
  files_test::writeAll(dir.path("empty.txt"), {});
  EXPECT_THROW(ReadDescriptionsLines(dir.path("empty.txt")), InOutError);
  EXPECT_THROW(ReadDescriptionsLines(dir.path("none.txt")), InOutError);
}

class FirstLine : public ::testing::TestWithParam<std::pair<QStringList, bool>> {};
TEST_P(FirstLine, MustNameTheProduct) {
  EXPECT_EQ(ParseDescriptions(GetParam().first).Valid, GetParam().second);
}
INSTANTIATE_TEST_SUITE_P(
    Files, FirstLine,
    ::testing::Values(std::pair{QStringList{"Pellix Tool"}, true},
                      std::pair{QStringList{"Pellix Tool V9 anything", "5\tR\tD"}, true},
                      std::pair{QStringList{"older: Pellix Tool"}, true},
                      std::pair{QStringList{"pellix tool"}, false},
                      std::pair{QStringList{"Gateway", "Pellix Tool V1.09.3 (DUNO)"}, false},
                      std::pair{QStringList{""}, false}, std::pair{QStringList{}, false}));

TEST(DescriptionsReading, UnnamedChannelsGetNotFoundWithTheirDisplayedNumbers) {
  for (const bool fromOne : {false, true}) {
    const auto c = ParseDescriptions({"Pellix Tool"}, fromOne);
    ASSERT_EQ(c.Line1.size(), 20u);
    ASSERT_EQ(c.Line2.size(), 20u);
    for (int k = 0; k < 40; ++k) {
      EXPECT_EQ(Entry(c, k).Description, "[not found]");
      EXPECT_EQ(Entry(c, k).DisplayedNumber, fromOne ? k + 1 : k);
    }
  }
}

// A channel line -> the channel index it sets (none: the line changes nothing).
struct LineCase {
  QString line;
  bool numberFromOne;
  std::optional<int> index;
  QString description;
};

class ChannelLine : public ::testing::TestWithParam<LineCase> {};
TEST_P(ChannelLine, SelectsItsChannelOrNothing) {
  const LineCase& p = GetParam();
  const auto c = ParseDescriptions({"Pellix Tool", p.line}, p.numberFromOne);
  for (int k = 0; k < 40; ++k) {
    const bool hit = p.index && *p.index == k;
    EXPECT_EQ(Entry(c, k).Description, hit ? p.description : QString("[not found]")) << "index " << k;
  }
  EXPECT_EQ(c.ChannelLines, p.index ? 1 : 0);
}
INSTANTIATE_TEST_SUITE_P(
    Lines, ChannelLine,
    ::testing::Values(LineCase{"5\tanything\tBoiler", false, 5, "Boiler"}, LineCase{"0\t\t", false, 0, ""},
                      LineCase{"19\tR\tLast of one", false, 19, "Last of one"},
                      LineCase{"20\tR\tFirst of two", false, 20, "First of two"},
                      LineCase{"39\tR\tLast", false, 39, "Last"},
                      LineCase{" +7 \tR\tSigned", false, 7, "Signed"},
                      LineCase{"40\tR\tAbove", false, {}, ""}, LineCase{"-1\tR\tBelow", false, {}, ""},
                      LineCase{"5\tR\tD\textra", false, {}, ""}, LineCase{"5\tR", false, {}, ""},
                      LineCase{"5", false, {}, ""}, LineCase{"five\tR\tD", false, {}, ""},
                      LineCase{"0x05\tR\tD", false, {}, ""},
                      LineCase{"0000000005\tR\tZeros", false, 5, "Zeros"}, LineCase{"\tR\tD", false, {}, ""},
                      LineCase{"99999999999\tR\tD", false, {}, ""}, LineCase{"1\tR\tFirst", true, 0, "First"},
                      LineCase{"21\tR\tLine two", true, 20, "Line two"},
                      LineCase{"40\tR\tLast", true, 39, "Last"}, LineCase{"0\tR\tBelow", true, {}, ""},
                      LineCase{"41\tR\tAbove", true, {}, ""}));

TEST(DescriptionsReading, LaterLineForAChannelWinsAndLongTextIsCut) {
  const QString longText = QString("x").repeated(30) + "12345";
  const auto c = ParseDescriptions({"Pellix Tool", "3\tA\tfirst", "3\tB\t" + longText});
  EXPECT_EQ(c.Line1[3].Description, QString("x").repeated(30));
  EXPECT_EQ(c.Line1[3].RomCode, "B");
}
