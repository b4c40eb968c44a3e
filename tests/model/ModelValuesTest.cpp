#include "ChannelData.h"
#include "ChannelStatus.h"
#include "ChannelsNumbering.h"
#include "Family.h"

#include <gtest/gtest.h>
#include <QLocale>

namespace {

// Restores the default locale after each test.
class LocaleTest : public ::testing::Test {
 protected:
  void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

struct ValueRow {
  uint16_t raw;
  int kind;
  const char* dotText;    // under an English locale
  const char* commaText;  // under a Czech locale
};

void PrintTo(const ValueRow& r, std::ostream* os) { *os << "raw " << r.raw << " kind " << r.kind; }

class FormatValue : public LocaleTest, public ::testing::WithParamInterface<ValueRow> {};

TEST_P(FormatValue, UsesTheLocaleDecimalSeparator) {
  const ValueRow& row = GetParam();
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(FormatChannelValue(row.raw, row.kind), QString::fromUtf8(row.dotText));
  QLocale::setDefault(QLocale(QLocale::Czech, QLocale::CzechRepublic));
  EXPECT_EQ(FormatChannelValue(row.raw, row.kind), QString::fromUtf8(row.commaText));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FormatValue,
    ::testing::Values(ValueRow{0xFFF6, 2, "-1.0 °C", "-1,0 °C"},        // negative temperature
                      ValueRow{0xFFFB, 2, "-0.5 °C", "-0,5 °C"},        // below zero, above -1
                      ValueRow{0x8000, 2, "-3276.8 °C", "-3276,8 °C"},  // most negative, no grouping
                      ValueRow{235, 2, "23.5 °C", "23,5 °C"}, ValueRow{0, 2, "0.0 °C", "0,0 °C"},
                      ValueRow{455, 3, "45.5 %", "45,5 %"}, ValueRow{65535, 3, "6553.5 %", "6553,5 %"},
                      ValueRow{20, 4, "20 mA", "20 mA"}, ValueRow{512, 5, "5.12 V", "5,12 V"},
                      ValueRow{7, 5, "0.07 V", "0,07 V"}, ValueRow{65535, 1, "65535", "65535"},
                      ValueRow{65535, 0, "65535", "65535"}, ValueRow{3, 7, "3", "3"},
                      ValueRow{1, 6, "1", "1"}, ValueRow{40000, 8, "40000", "40000"}, ValueRow{12, 9, "", ""},
                      ValueRow{12, -1, "", ""}));

struct FamilyRow {
  uint8_t code;
  const char* hint;
  std::array<int, 5> kinds;
};

void PrintTo(const FamilyRow& r, std::ostream* os) { *os << "family " << int(r.code); }

class Families : public ::testing::TestWithParam<FamilyRow> {};

TEST_P(Families, HintAndKinds) {
  const FamilyInfo f = FamilyFor(GetParam().code);
  EXPECT_EQ(f.Hint, QString::fromUtf8(GetParam().hint));
  EXPECT_EQ(f.Kinds, GetParam().kinds);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Families,
    ::testing::Values(
        FamilyRow{0x01, "iButton|Serial number iButton. (Family code: 0x01)", {6, 7, 0, 0, 8}},
        FamilyRow{0x10, "DS18S20|Digital thermometer. (Family code: 0x10)", {2, 0, 0, 0, 0}},
        FamilyRow{0x19, "DS28E17|Temperature and humidity sensor. (Family code: 0x19)", {2, 3, 0, 0, 0}},
        FamilyRow{0x26, "DS2438|Smart battery monitor. (Family code: 0x26)", {2, 1, 1, 1, 1}},
        FamilyRow{0x28, "DS18B20|Digital thermometer. (Family code: 0x28)", {2, 0, 0, 0, 0}},
        FamilyRow{0x00, "Unknown family code", {1, 1, 1, 1, 1}},
        FamilyRow{0x11, "Unknown family code", {1, 1, 1, 1, 1}},
        FamilyRow{0xFF, "Unknown family code", {1, 1, 1, 1, 1}}));

TChannelData record(TRomCode rom, std::array<uint16_t, 5> values) {
  TChannelData d;
  d.ChannelNumber = 1;
  d.RomCode = rom;
  d.Values = values;
  return d;
}

TEST_F(LocaleTest, UnknownFamilyShowsRawValuesWithPlainHints) {
  const auto texts = ChannelValueTexts(record({0x2200, 0, 0, 0}, {65535, 1, 2, 3, 4}));
  const char* hints[] = {"Value1", "Value2", "Value3", "Value4", "Value5"};
  const char* values[] = {"65535", "1", "2", "3", "4"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(texts[i].Hint, QLatin1String(hints[i]));
    EXPECT_EQ(texts[i].Text, QLatin1String(values[i]));
  }
}

TEST_F(LocaleTest, IButtonConnectedOnlyWhileValueOneIsOne) {
  const auto on = ChannelValueTexts(record({0x0100, 1, 2, 3}, {1, 5, 0, 0, 1}));
  EXPECT_EQ(on[0].Hint, QStringLiteral("Chip is connected|Chip detected on the probe."));
  EXPECT_EQ(on[1].Hint, QStringLiteral("Connections counter"));
  EXPECT_EQ(on[2].Hint, QStringLiteral("Value3 - Reserved"));
  EXPECT_EQ(on[3].Hint, QStringLiteral("Value4 - Reserved"));
  EXPECT_EQ(
      on[4].Hint,
      QStringLiteral(
          "Connection indicator|Indicates connection approximately 20 seconds after the chip is removed."));
  for (uint16_t v1 : {0, 2, 0xFFFF}) {
    const auto off = ChannelValueTexts(record({0x0100, 1, 2, 3}, {v1, 5, 0, 0, 1}));
    EXPECT_EQ(off[0].Hint, QStringLiteral("Chip is not connected|No chip detected on the probe.")) << v1;
    EXPECT_EQ(off[0].Text, QString::number(v1));
  }
}

TEST_F(LocaleTest, HumiditySensorRecordUsesFamilyOfHighByte) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  const auto t = ChannelValueTexts(record({0x19AB, 0, 0, 0}, {0xFF38, 455, 9, 0, 0}));
  EXPECT_EQ(t[0].Text, QStringLiteral("-20,0 °C"));
  EXPECT_EQ(t[0].Hint, QStringLiteral("Temperature"));
  EXPECT_EQ(t[1].Text, QStringLiteral("45,5 %"));
  EXPECT_EQ(t[1].Hint, QStringLiteral("Humidity"));
  EXPECT_EQ(t[2].Hint, QStringLiteral("Value3 - Reserved"));
}

TEST(ValueLabels, KindsAboveEightHaveNoLabel) {
  EXPECT_EQ(ValueKindLabel(9, 1, 1), QString());
  EXPECT_EQ(ValueKindLabel(4, 2, 0), QStringLiteral("Current"));
  EXPECT_EQ(ValueKindLabel(5, 2, 0), QStringLiteral("Voltage"));
}

struct StatusRow {
  int status;
  const char* text;
  StatusColour colour;
};

void PrintTo(const StatusRow& r, std::ostream* os) { *os << "status " << r.status; }

class Statuses : public ::testing::TestWithParam<StatusRow> {};

TEST_P(Statuses, TextAndColour) {
  const auto s = static_cast<uint8_t>(GetParam().status);
  EXPECT_EQ(ChannelStatusText(s), QLatin1String(GetParam().text));
  EXPECT_EQ(StatusColourClass(s), GetParam().colour);
}

INSTANTIATE_TEST_SUITE_P(Codes, Statuses,
                         ::testing::Values(StatusRow{0, "OK", StatusColour::Good},
                                           StatusRow{1, "Line in high", StatusColour::Fault},
                                           StatusRow{2, "Short circuit", StatusColour::Fault},
                                           StatusRow{3, "Not supp. family", StatusColour::Fault},
                                           StatusRow{4, "CRC error", StatusColour::Fault},
                                           StatusRow{5, "Timeout", StatusColour::Fault},
                                           StatusRow{6, "Undefined error code", StatusColour::Neutral},
                                           StatusRow{200, "Undefined error code", StatusColour::Neutral},
                                           StatusRow{253, "Undefined error code", StatusColour::Neutral},
                                           StatusRow{254, "", StatusColour::Neutral},
                                           StatusRow{255, "", StatusColour::White}));

TEST(StatusHint, CarriesTheText) {
  EXPECT_EQ(ChannelStatusHint(4), QStringLiteral("Error code|Error code: CRC error"));
  EXPECT_EQ(GoodRgb, 0xD7FFD7u);
  EXPECT_EQ(FaultRgb, 0xFFD7D7u);
}

TEST(Description, CutToThirtyCharacters) {
  const QString thirtyOne = QStringLiteral("abcdefghijklmnopqrstuvwxyzčřž12");
  ASSERT_EQ(thirtyOne.size(), 31);
  EXPECT_EQ(LimitDescription(thirtyOne), thirtyOne.left(30));
  EXPECT_EQ(LimitDescription(QStringLiteral("short")), QStringLiteral("short"));
}

TEST(Description, BackupRecordUsesTheDisplayedNumber) {
  const TBackupData b = MakeBackupData(21, {0x28FF, 0x0A1B, 0x2C3D, 0x4E5F}, QString(31, QLatin1Char('x')));
  EXPECT_EQ(b.DisplayedNumber, 20);
  EXPECT_EQ(b.NumberText, QStringLiteral("20"));
  EXPECT_EQ(b.RomCode, QStringLiteral("28FF0A1B2C3D4E5F"));
  EXPECT_EQ(b.Description.size(), 30);
}

TEST(ChannelRecord, TakesStatusLowByteOnly) {
  const uint16_t regs[10] = {0x28FF, 0x0A1B, 0x2C3D, 0x4E5F, 235, 2, 3, 4, 5, 0xAB05};
  const TChannelData d = ChannelFromRegisters(21, regs);
  EXPECT_EQ(d.ChannelNumber, 21);
  EXPECT_EQ(d.RomCode, (TRomCode{0x28FF, 0x0A1B, 0x2C3D, 0x4E5F}));
  EXPECT_EQ(d.Values, (std::array<uint16_t, 5>{235, 2, 3, 4, 5}));
  EXPECT_EQ(d.Status, 5);
}

struct NumberRow {
  int channel;
  int displayed;
  int fromOne;
  int line;
  int firstRegister;
  int block;
};

void PrintTo(const NumberRow& r, std::ostream* os) { *os << "channel " << r.channel; }

class Numbering : public ::testing::TestWithParam<NumberRow> {};

TEST_P(Numbering, IndexDisplayLineAndBlock) {
  const NumberRow& r = GetParam();
  EXPECT_EQ(DisplayedNumber(r.channel), r.displayed);
  EXPECT_EQ(DisplayedNumber(r.channel, true), r.fromOne);
  EXPECT_EQ(LineOfChannel(r.channel), r.line);
  EXPECT_EQ(ChannelFirstRegister(r.channel), r.firstRegister);
  EXPECT_EQ(ChannelBlockStart(r.channel), r.block);
}

INSTANTIATE_TEST_SUITE_P(Channels, Numbering,
                         ::testing::Values(NumberRow{1, 0, 1, 0, 0, 0}, NumberRow{10, 9, 10, 0, 90, 0},
                                           NumberRow{11, 10, 11, 0, 100, 100},
                                           NumberRow{20, 19, 20, 0, 190, 100},
                                           NumberRow{21, 20, 21, 1, 200, 200},
                                           NumberRow{31, 30, 31, 1, 300, 300},
                                           NumberRow{40, 39, 40, 1, 390, 300}));

}  // namespace
