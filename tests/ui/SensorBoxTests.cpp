#include "Hint.h"
#include "TestSupport.h"
#include "uFrame_SensorBox.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLocale>
#include <QMouseEvent>
#include <QToolTip>

#include <memory>
#include <optional>

namespace {

const QColor Green(215, 255, 215);
const QColor Red(255, 215, 215);
const QColor White(255, 255, 255);
QColor ButtonFace() { return QApplication::palette().color(QPalette::Button); }

// Boxes take their channel numbers from the creation counter: build boxes 1..c and
// keep the last.
class BoxHost {
 public:
  explicit BoxHost(int channelNumber) {
    TFrame_SensorBox::ResetCreationCounter();
    for (int c = 1; c <= channelNumber; ++c) box = new TFrame_SensorBox(&parent);
  }
  QWidget parent;
  TFrame_SensorBox* box = nullptr;
};

TChannelData Record(int channel, TRomCode rom, std::array<uint16_t, 5> values, uint8_t status) {
  TChannelData r;
  r.ChannelNumber = static_cast<uint8_t>(channel);
  r.RomCode = rom;
  r.Values = values;
  r.Status = status;
  return r;
}

constexpr TRomCode Ds18b20{0x28FF, 0x0A1B, 0x2C3D, 0x4E5F};
constexpr TRomCode AllF{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
constexpr TRomCode IButton{0x0100, 0x0012, 0x3456, 0x7800};

void Click(QWidget* w) {
  const QPointF p(2, 2);
  QMouseEvent press(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QApplication::sendEvent(w, &release);
}

class SensorBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(QLocale::English)); }
  void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

// ---- creation ----

TEST_F(SensorBoxTest, FirstBoxIsChannelOneShownAsCh0AndStartsCleared) {
  BoxHost h(1);
  EXPECT_EQ(h.box->ChannelNumber, 1);
  EXPECT_EQ(h.box->Label_Channel->text(), "Ch0");
  EXPECT_FALSE(h.box->ShowDescription);
  EXPECT_EQ(h.box->Label_ROMCode->text(), "");
  EXPECT_EQ(h.box->BackgroundColour(), White);
  EXPECT_EQ(h.box->Label_Channel->toolTip(), "");
  EXPECT_EQ(h.box->findChild<QLabel*>("Label_Value3"), h.box->Label_Value3);
  EXPECT_EQ(h.box->ValueLabels[4], h.box->Label_Value5);
}

struct CommandHintRow {
  int channel;
  const char* label;
  const char* saveNewTail;
  const char* deleteTail;
};

void PrintTo(const CommandHintRow& row, std::ostream* os) { *os << "channel " << row.channel; }

class SensorBoxCommandHints : public SensorBoxTest, public ::testing::WithParamInterface<CommandHintRow> {};

TEST_P(SensorBoxCommandHints, HintsCarryTheChannelIndexInHex) {
  const CommandHintRow& row = GetParam();
  BoxHost h(row.channel);
  EXPECT_EQ(h.box->Label_Channel->text(), row.label);
  const QString save = pellix::HintOf(h.box->SpeedButton_Edit);
  const QString del = pellix::HintOf(h.box->SpeedButton_Delete);
  EXPECT_TRUE(save.startsWith("Save new|Save the new device, which was found using the command 0x05FF. "))
      << save.toStdString();
  EXPECT_TRUE(save.endsWith(row.saveNewTail)) << save.toStdString();
  EXPECT_EQ(del, QString("Delete|Delete the position. ") + row.deleteTail);
  EXPECT_EQ(h.box->SpeedButton_Edit->toolTip(), "Save new");
  EXPECT_EQ(h.box->SpeedButton_Delete->statusTip(), QString("Delete the position. ") + row.deleteTail);
}

INSTANTIATE_TEST_SUITE_P(
    Channels, SensorBoxCommandHints,
    ::testing::Values(CommandHintRow{1, "Ch0", "(Send command 0x0900)", "(Send command 0x0F00)"},
                      CommandHintRow{13, "Ch12", "(Send command 0x090C)", "(Send command 0x0F0C)"},
                      CommandHintRow{40, "Ch39", "(Send command 0x0927)", "(Send command 0x0F27)"}));

// ---- updating from a record ----

struct Shown {
  QString rom, channelHint, value1, value1Hint, value3Hint, status;
  QColor colour;
};

// What the box shows after the priming DS18B20 record.
Shown Primed() {
  return {"28FF0A1B2C3D4E5F",
          "DS18B20|Digital thermometer. (Family code: 0x28)",
          "23.5 °C",
          "Temperature",
          "Value3 - Reserved",
          "OK",
          Green};
}

struct UpdateRow {
  const char* name;
  TChannelData record;
  std::optional<Shown> expected;  // nullopt: the box is cleared
};

void PrintTo(const UpdateRow& row, std::ostream* os) { *os << row.name; }

class SensorBoxUpdate : public SensorBoxTest, public ::testing::WithParamInterface<UpdateRow> {};

TEST_P(SensorBoxUpdate, ShowsRecordByTheRules) {
  const UpdateRow& row = GetParam();
  BoxHost h(3);
  TFrame_SensorBox* b = h.box;
  b->UpdateFromRecord(Record(3, Ds18b20, {235, 0, 0, 0, 0}, 0));
  b->UpdateFromRecord(row.record);

  // The record is kept whatever was shown.
  EXPECT_EQ(b->LastRecord.Status, row.record.Status);
  EXPECT_EQ(b->RomCodeText(), RomCodeToHex(row.record.RomCode));

  if (!row.expected) {
    EXPECT_EQ(b->Label_ROMCode->text(), "");
    EXPECT_EQ(b->Label_Error->text(), "");
    EXPECT_EQ(b->Label_Value1->text(), "");
    EXPECT_EQ(b->BackgroundColour(), White);
    EXPECT_EQ(pellix::HintOf(b->Label_Channel), "");
    EXPECT_EQ(b->Label_Channel->toolTip(), "");
    EXPECT_EQ(pellix::HintOf(b->Label_Value1), "");
    EXPECT_EQ(pellix::HintOf(b->Label_Error), "");
    EXPECT_EQ(b->Label_Error->cursor().shape(), Qt::ArrowCursor);
    return;
  }
  const Shown& e = *row.expected;
  EXPECT_EQ(b->Label_ROMCode->text(), e.rom);
  EXPECT_EQ(b->RomText, e.rom);
  EXPECT_EQ(pellix::HintOf(b->Label_Channel), e.channelHint);
  EXPECT_EQ(b->Label_Channel->cursor().shape(), Qt::WhatsThisCursor);
  EXPECT_EQ(b->Label_Value1->text(), e.value1);
  EXPECT_EQ(pellix::HintOf(b->Label_Value1), e.value1Hint);
  EXPECT_EQ(pellix::HintOf(b->Label_Value3), e.value3Hint);
  EXPECT_EQ(b->Label_Error->text(), e.status);
  EXPECT_EQ(pellix::HintOf(b->Label_Error), "Error code|Error code: " + e.status);
  EXPECT_EQ(b->Label_Error->toolTip(), "Error code");
  EXPECT_EQ(b->BackgroundColour(), e.colour.isValid() ? e.colour : ButtonFace());
}

// The button face is known only once the application's style is up: an invalid
// colour in a row stands for it.
Shown Neutral(const QString& status) {
  Shown s = Primed();
  s.status = status;
  s.colour = QColor();
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Records, SensorBoxUpdate,
    ::testing::Values(
        UpdateRow{"Free", Record(3, Ds18b20, {235, 0, 0, 0, 0}, 255), std::nullopt},
        UpdateRow{"NotReadShortCircuit", Record(3, AllF, {1, 2, 3, 4, 5}, 2), Primed()},
        UpdateRow{"NotReadLineHigh", Record(3, AllF, {1, 2, 3, 4, 5}, 1), Primed()},
        UpdateRow{"NotReadFromFile", Record(3, AllF, {1, 2, 3, 4, 5}, 254), Primed()},
        UpdateRow{"NotReadButOk", Record(3, AllF, {7, 0, 0, 0, 0}, 0),
                  Shown{"FFFFFFFFFFFFFFFF", "Unknown family code", "7", "Value1", "Value3", "OK", Green}},
        UpdateRow{
            "NotReadCrcError", Record(3, AllF, {7, 0, 0, 0, 0}, 4),
            Shown{"FFFFFFFFFFFFFFFF", "Unknown family code", "7", "Value1", "Value3", "CRC error", Red}},
        UpdateRow{"Status6", Record(3, Ds18b20, {235, 0, 0, 0, 0}, 6), Neutral("Undefined error code")},
        UpdateRow{"Status200", Record(3, Ds18b20, {235, 0, 0, 0, 0}, 200), Neutral("Undefined error code")},
        UpdateRow{"Status254", Record(3, Ds18b20, {235, 0, 0, 0, 0}, 254), Neutral("")},
        UpdateRow{"Timeout", Record(3, {0x10AA, 0, 0, 1}, {0xFFF6, 0, 0, 0, 0}, 5),
                  Shown{"10AA000000000001", "DS18S20|Digital thermometer. (Family code: 0x10)", "-1.0 °C",
                        "Temperature", "Value3 - Reserved", "Timeout", Red}},
        UpdateRow{"IButtonConnected", Record(3, IButton, {1, 17, 0, 0, 1}, 0),
                  Shown{"0100001234567800", "iButton|Serial number iButton. (Family code: 0x01)", "1",
                        "Chip is connected|Chip detected on the probe.", "Value3 - Reserved", "OK", Green}},
        UpdateRow{
            "IButtonRemoved", Record(3, IButton, {0, 17, 0, 0, 1}, 0),
            Shown{"0100001234567800", "iButton|Serial number iButton. (Family code: 0x01)", "0",
                  "Chip is not connected|No chip detected on the probe.", "Value3 - Reserved", "OK", Green}},
        UpdateRow{"OtherChannel", Record(4, IButton, {0, 0, 0, 0, 0}, 3), Primed()}),
    [](const ::testing::TestParamInfo<UpdateRow>& info) { return std::string(info.param.name); });

TEST_F(SensorBoxTest, IButtonHintsSplitIntoTooltipAndStatusText) {
  BoxHost h(1);
  h.box->UpdateFromRecord(Record(1, IButton, {1, 3, 0, 0, 0}, 0));
  EXPECT_EQ(h.box->Label_Channel->toolTip(), "iButton");
  EXPECT_EQ(h.box->Label_Channel->statusTip(), "Serial number iButton. (Family code: 0x01)");
  EXPECT_EQ(h.box->Label_Value1->toolTip(), "Chip is connected");
  EXPECT_EQ(h.box->Label_Value1->statusTip(), "Chip detected on the probe.");
  EXPECT_EQ(h.box->Label_Value2->toolTip(), "Connections counter");
  EXPECT_EQ(h.box->Label_Value5->toolTip(), "Connection indicator");
  EXPECT_EQ(h.box->Label_Value5->statusTip(),
            "Indicates connection approximately 20 seconds after the chip is removed.");
}

TEST_F(SensorBoxTest, ResetBoxZeroesRomWordsButKeepsTheRestOfTheRecord) {
  BoxHost h(2);
  h.box->UpdateFromRecord(Record(2, Ds18b20, {235, 0, 0, 0, 0}, 2));
  h.box->ResetBox();
  EXPECT_EQ(h.box->RomCodeText(), "0000000000000000");
  EXPECT_EQ(h.box->LastRecord.Status, 2);
  EXPECT_EQ(h.box->LastRecord.ChannelNumber, 2);
  EXPECT_EQ(h.box->BackgroundColour(), White);
  EXPECT_EQ(h.box->Label_Value1->text(), "");
}

TEST_F(SensorBoxTest, BoxIsPaintedInItsStatusColour) {
  BoxHost h(1);
  h.box->resize(230, 60);
  // A point inside the border, left of the first value label.
  const QPoint margin(1, 45);
  EXPECT_EQ(h.box->grab().toImage().pixelColor(margin), White);
  h.box->UpdateFromRecord(Record(1, Ds18b20, {235, 0, 0, 0, 0}, 4));
  EXPECT_EQ(h.box->grab().toImage().pixelColor(margin), Red);
}

TEST_F(SensorBoxTest, NeverUpdatedBoxHoldsAnAllZeroRecord) {
  BoxHost h(7);
  EXPECT_EQ(h.box->LastRecord.ChannelNumber, 0);
  EXPECT_EQ(h.box->RomCodeText(), "0000000000000000");
  EXPECT_EQ(h.box->LastRecord.Status, 0);
}

// ---- display mode ----

TEST_F(SensorBoxTest, DescriptionModeShowsDescriptionOnOpaqueLabel) {
  BoxHost h(1);
  TFrame_SensorBox* b = h.box;
  b->UpdateFromRecord(Record(1, Ds18b20, {235, 0, 0, 0, 0}, 0));
  b->SetDescription("Boiler room");
  EXPECT_EQ(b->Label_ROMCode->text(), "28FF0A1B2C3D4E5F");
  EXPECT_EQ(pellix::HintOf(b->Label_ROMCode), "Edit channel|It allows to modify the ROM code.");
  EXPECT_EQ(b->SpeedButton_DescrSwitch->toolTip(), "Switch to description");
  EXPECT_FALSE(b->Label_ROMCode->autoFillBackground());

  b->SetShowDescription(true);
  EXPECT_EQ(b->Label_ROMCode->text(), "Boiler room");
  EXPECT_EQ(pellix::HintOf(b->Label_ROMCode),
            "Edit description|Write a short description. (max 30 characters)");
  EXPECT_EQ(b->Label_ROMCode->toolTip(), "Edit description");
  EXPECT_EQ(b->SpeedButton_DescrSwitch->toolTip(), "Switch to ROM code");
  EXPECT_TRUE(b->Label_ROMCode->autoFillBackground());
  EXPECT_EQ(b->Label_ROMCode->palette().color(QPalette::Window), ButtonFace());
}

TEST_F(SensorBoxTest, UpdateInDescriptionModeKeepsDescriptionAndSwitchBackShowsNewestRom) {
  BoxHost h(1);
  TFrame_SensorBox* b = h.box;
  b->SetDescription("Tank");
  b->SetShowDescription(true);
  b->UpdateFromRecord(Record(1, Ds18b20, {235, 0, 0, 0, 0}, 0));
  EXPECT_EQ(b->Label_ROMCode->text(), "Tank");
  b->UpdateFromRecord(Record(1, IButton, {0, 0, 0, 0, 0}, 0));
  EXPECT_EQ(b->Label_ROMCode->text(), "Tank");
  b->SpeedButton_DescrSwitch->click();
  EXPECT_FALSE(b->ShowDescription);
  EXPECT_EQ(b->Label_ROMCode->text(), "0100001234567800");
}

TEST_F(SensorBoxTest, SetDescriptionCutsTo30AndShowsAtOnceInDescriptionMode) {
  BoxHost h(1);
  h.box->SetShowDescription(true);
  h.box->SetDescription(QString(31, QChar('x')) + "y");
  EXPECT_EQ(h.box->Description, QString(30, QChar('x')));
  EXPECT_EQ(h.box->Label_ROMCode->text(), QString(30, QChar('x')));
}

// A box as narrow as four of them beside the left column on a 1024 pixel screen: a
// description of 30 wide letters does not fit, and hovering shows it whole.
TEST_F(SensorBoxTest, DescriptionTooLongForTheBoxIsWholeInTheTooltip) {
  BoxHost h(1);
  h.parent.resize(180, 60);
  h.box->setGeometry(0, 0, 180, 60);
  h.box->SetShowDescription(true);
  const QString text(30, QChar('W'));
  h.box->SetDescription(text);
  h.parent.show();
  pellix::test::processEventsFor(10);
  QLabel* label = h.box->Label_ROMCode;
  const QPoint at = label->rect().center();
  QHelpEvent help(QEvent::ToolTip, at, label->mapToGlobal(at));
  QApplication::sendEvent(label, &help);
  EXPECT_TRUE(QToolTip::text().contains(text)) << QToolTip::text().toStdString();
  QToolTip::hideText();
}

TEST_F(SensorBoxTest, ClearTextsKeepsDescriptionOnShow) {
  BoxHost h(1);
  h.box->SetDescription("Hall");
  h.box->SetShowDescription(true);
  h.box->UpdateFromRecord(Record(1, Ds18b20, {235, 0, 0, 0, 0}, 0));
  h.box->ClearBox();
  EXPECT_EQ(h.box->Label_ROMCode->text(), "Hall");
  EXPECT_EQ(h.box->RomText, "");
  h.box->SetShowDescription(false);
  EXPECT_EQ(h.box->Label_ROMCode->text(), "");
}

// ---- clicks on the ROM code label ----

TEST_F(SensorBoxTest, RomModeClickRunsTheRomActionOnly) {
  BoxHost h(1);
  int calls = 0;
  h.box->SetRomClickAction([&] { ++calls; });
  Click(h.box->Label_ROMCode);
  EXPECT_EQ(calls, 1);
  // In description mode the click edits the description instead.
  h.box->SetShowDescription(true);
  pellix::test::scriptedPrompts().expect(pellix::PromptKind::InputQuery, false);
  Click(h.box->Label_ROMCode);
  EXPECT_EQ(calls, 1);
}

TEST_F(SensorBoxTest, DescriptionEditorAsksWithChannelAndLimit) {
  BoxHost h(13);
  auto& p = pellix::test::scriptedPrompts();
  h.box->SetDescription("old");
  h.box->SetShowDescription(true);
  p.expect(pellix::PromptKind::InputQuery, true, "A new description that is far too long");
  Click(h.box->Label_ROMCode);
  ASSERT_EQ(p.records().size(), 1u);
  EXPECT_EQ(p.records()[0].caption, "Edit description - Channel 12");
  EXPECT_EQ(p.records()[0].text, "Write a short description (max 30 characters):");
  EXPECT_EQ(p.records()[0].value, "old");
  EXPECT_EQ(h.box->Description, "A new description that is far ");
  EXPECT_EQ(h.box->Label_ROMCode->text(), "A new description that is far ");
}

// With English the files use Windows-1252, which has no "č": typed, it is refused.
TEST_F(SensorBoxTest, DescriptionEditorRefusesWhatTheFilesCannotHold) {
  BoxHost h(1);
  auto& p = pellix::test::scriptedPrompts();
  p.expect(pellix::PromptKind::InputQuery, true, QString::fromUtf8("Kotel \u010D \u017E 90 \u00B0C"));
  h.box->Label_DescriptionClick();
  EXPECT_EQ(h.box->Description, QString::fromUtf8("Kotel  \u017E 90 \u00B0C"));
  EXPECT_EQ(p.refusals(), std::vector<QString>{QString::fromUtf8(
                              "The character \"\u010D\" cannot be saved: text files use the code page "
                              "Windows-1252.")});
}

TEST_F(SensorBoxTest, CancelledDescriptionEditorChangesNothing) {
  BoxHost h(1);
  h.box->SetDescription("keep");
  pellix::test::scriptedPrompts().expect(pellix::PromptKind::InputQuery, false, "other");
  h.box->Label_DescriptionClick();
  EXPECT_EQ(h.box->Description, "keep");
}

}  // namespace
