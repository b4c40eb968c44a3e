#include "Frame_ServiceRegSensorBox.h"
#include "TestSupport.h"
#include "uFrame_FindNewTab.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include <cctype>
#include <memory>
#include <string>

using pellix::PromptKind;
using pellix::test::scriptedPrompts;

namespace {

using Block = std::array<uint16_t, 100>;

// Two views as the main window creates them: LINE 1's first.
struct TwoViews {
  TwoViews() {
    TFrame_SensorNewBox::ResetCreationCounter();
    line1 = std::make_unique<TFrame_FindNewTab>(1);
    line2 = std::make_unique<TFrame_FindNewTab>(2);
    line1->AppendSlots(all);
    line2->AppendSlots(all);
  }
  std::unique_ptr<TFrame_FindNewTab> line1, line2;
  QList<TFrame_SensorNewBox*> all;
};

void putRecord(Block& regs, int k, std::array<uint16_t, 4> rom, uint16_t index) {
  for (int i = 0; i < 4; ++i) regs[5 * k + i] = rom[i];
  regs[5 * k + 4] = index;
}

}  // namespace

struct StatusRow {
  uint16_t code;
  const char* text;
  const char* line;  // the status line as shown
};

class OperationStatus : public ::testing::TestWithParam<StatusRow> {};

TEST_P(OperationStatus, TextAndStatusLine) {
  const StatusRow row = GetParam();
  EXPECT_EQ(TFrame_FindNewTab::OperationStatusText(row.code), QString::fromLatin1(row.text));
  TwoViews v;
  Block regs{};
  regs[21] = row.code;  // LINE 2's status
  v.line2->ShowServiceBlock(regs, 1);
  EXPECT_EQ(v.line2->Label_Status->text(), QString::fromLatin1(row.line));
}

INSTANTIATE_TEST_SUITE_P(
    FindNew, OperationStatus,
    ::testing::Values(
        StatusRow{0x0000, "No command received", "Operation status: No command received (0x0000)"},
        StatusRow{0xFFFF, "OK", "Operation status: OK (0xFFFF)"},
        StatusRow{0xEEE1, "Channel number out of range",
                  "Operation status: Channel number out of range (0xEEE1)"},
        StatusRow{0xEEE2, "Unsupported command number",
                  "Operation status: Unsupported command number (0xEEE2)"},
        StatusRow{0xEEE3, "Error reading ROM code", "Operation status: Error reading ROM code (0xEEE3)"},
        StatusRow{0xEEE4, "CRC error when reading ROM code",
                  "Operation status: CRC error when reading ROM code (0xEEE4)"},
        StatusRow{0xEEE5, "Undefined error code", "Operation status: Undefined error code (0xEEE5)"},
        StatusRow{0x00AB, "Undefined error code", "Operation status: Undefined error code (0x00AB)"}),
    [](const ::testing::TestParamInfo<StatusRow>& info) {
      return "Code" +
             QStringLiteral("%1").arg(info.param.code, 4, 16, QLatin1Char('0')).toUpper().toStdString();
    });

// Beside LINE 1's view on a 1024 x 768 screen LINE 2's search view is some 385 pixels
// wide: the longest status line still shows to its last character.
TEST(FindNewView, LongestStatusLineIsShownWholeInANarrowView) {
  TwoViews v;
  v.line2->resize(385, 620);
  v.line2->show();
  Block regs{};
  regs[21] = 0xEEE4;
  v.line2->ShowServiceBlock(regs, 1);
  pellix::test::processEventsFor(20);
  // The view fits its place: the main window does not give it more.
  EXPECT_LE(v.line2->minimumSizeHint().width(), 385);
  const QLabel* status = v.line2->Label_Status;
  const QRect room = status->contentsRect();
  const int wrap = status->wordWrap() ? int(Qt::TextWordWrap) : 0;
  const QRect needed =
      status->fontMetrics().boundingRect(room, wrap | int(status->alignment()), status->text());
  EXPECT_TRUE(room.contains(needed)) << needed.width() << "x" << needed.height() << " in " << room.width()
                                     << "x" << room.height();
}

TEST(FindNewView, ControlsCaptionsAndHints) {
  TwoViews v;
  EXPECT_EQ(v.line1->objectName(), QStringLiteral("Frame_FindNewTab1"));
  EXPECT_EQ(v.line1->Label_Caption->text(), QStringLiteral("Service registers - LINE 1"));
  EXPECT_EQ(v.line2->Label_Caption->text(), QStringLiteral("Service registers - LINE 2"));
  EXPECT_EQ(v.line1->Button_Close->text(), QStringLiteral("Close"));
  EXPECT_EQ(v.line1->Button_FindNew->text(), QStringLiteral("Find New"));
  EXPECT_EQ(v.line1->Button_FindNewAll->text(), QStringLiteral("Find New All"));
  EXPECT_EQ(v.line1->Button_FindAll->text(), QStringLiteral("Find All"));
  EXPECT_EQ(v.line1->Button_FindNew->toolTip(), QStringLiteral("Command 0x05FF"));
  EXPECT_EQ(v.line1->Button_FindNew->statusTip(),
            QStringLiteral("It works only if one device is connected to the line. (Send command 0x05FF)"));
  EXPECT_EQ(v.line1->Button_FindAll->statusTip(),
            QStringLiteral("Find all connected devices. (Send command 0x07FF)"));
  EXPECT_EQ(v.line1->Label_Status->toolTip(), QStringLiteral("Response"));
  EXPECT_EQ(v.line1->Button_Close->statusTip(), QStringLiteral("Close the window"));
  EXPECT_EQ(v.line1->findChild<QLabel*>(QStringLiteral("Label_NewROMCode")), v.line1->Label_NewROMCode);
  EXPECT_EQ(v.line1->Label_NewROMCode->parentWidget(), v.line1->Panel_FindNew);
  EXPECT_TRUE(v.line1->isHidden());
  EXPECT_EQ(v.all[3]->SpeedButton_Save->text(), QStringLiteral("Save"));
  EXPECT_EQ(v.all[3]->SpeedButton_Save->toolTip(), QStringLiteral("Save"));
  EXPECT_EQ(v.all[3]->SpeedButton_Save->statusTip(), QStringLiteral("Save to the desired channel."));
}

TEST(SensorNewBox, SlotsAreNumberedByCreationAndFoundByName) {
  TwoViews v;
  ASSERT_EQ(v.all.size(), 40);
  for (int s = 1; s <= 40; ++s) {
    TFrame_SensorNewBox* slot = v.all[s - 1];
    EXPECT_EQ(slot->SlotIndex, s);
    EXPECT_EQ(slot->Label_Channel->text(), QString::number(s - 1));
    EXPECT_EQ(slot->objectName(), QStringLiteral("Frame_SensorNewBox%1").arg((s - 1) % 20 + 1));
    EXPECT_FALSE(slot->SpeedButton_Save->isEnabled());
  }
  EXPECT_EQ(v.line2->findChild<TFrame_SensorNewBox*>(QStringLiteral("Frame_SensorNewBox1")), v.all[20]);
  // A second window's views start again at slot 1.
  TwoViews again;
  EXPECT_EQ(again.all.front()->SlotIndex, 1);
  EXPECT_EQ(again.all.back()->Label_Channel->text(), QStringLiteral("39"));
}

TEST(FindNewView, SlotsStandInTwoColumnsOfTen) {
  TwoViews v;
  v.line1->resize(600, 700);
  v.line1->show();
  pellix::test::processEventsFor(20);
  const QList<TFrame_SensorNewBox*>& boxes = v.line1->Slots;
  for (int k = 1; k < 10; ++k) {
    EXPECT_EQ(boxes[k]->x(), boxes[0]->x());
    EXPECT_GT(boxes[k]->y(), boxes[k - 1]->y());
    EXPECT_EQ(boxes[10 + k]->y(), boxes[k]->y());
  }
  EXPECT_GT(boxes[10]->x(), boxes[0]->x());
  EXPECT_LT(v.line1->Button_FindNew->y(), boxes[0]->y());
  EXPECT_GT(v.line1->Label_Status->mapTo(v.line1.get(), QPoint()).y(), boxes[9]->y());
}

TEST(FindNewView, ServiceBlockShowsTheLinesOwnRegisters) {
  TwoViews v;
  Block regs{};
  regs[10] = 0x05FF;
  regs[11] = 0xFFFF;
  regs[12] = 0x2800;
  regs[13] = 0x0012;
  regs[14] = 0xABCD;
  regs[15] = 0x00EF;
  regs[20] = 0x8316;
  regs[21] = 0xEEE1;
  v.line1->ShowServiceBlock(regs, 0);
  v.line2->ShowServiceBlock(regs, 1);
  EXPECT_EQ(v.line1->Label_NewROMCode->text(), QStringLiteral("New: 28000012ABCD00EF"));
  EXPECT_EQ(v.line1->Label_Command->text(), QStringLiteral("Command: 0x05FF"));
  EXPECT_EQ(v.line1->Label_Status->text(), QStringLiteral("Operation status: OK (0xFFFF)"));
  // Zero registers are shown too.
  EXPECT_EQ(v.line2->Label_NewROMCode->text(), QStringLiteral("New: 0000000000000000"));
  EXPECT_EQ(v.line2->Label_Command->text(), QStringLiteral("Command: 0x8316"));
  EXPECT_EQ(v.line2->Label_Status->text(),
            QStringLiteral("Operation status: Channel number out of range (0xEEE1)"));
}

TEST(SensorNewBox, ResultsGoToTheirSlotsAndEmptyRecordsKeepWhatIsShown) {
  TwoViews v;
  Block block{};
  putRecord(block, 0, {0x2800, 0x0000, 0x0000, 0x0001}, 3);
  putRecord(block, 19, {0x1000, 0, 0, 0x00AA}, 144);
  pellix::ShowSearchResults(v.all, block, 1200);
  EXPECT_EQ(v.all[20]->Label_ROMCode->text(), QStringLiteral("2800000000000001"));
  EXPECT_EQ(v.all[20]->Label_Index->text(), QStringLiteral("Index: 3"));
  EXPECT_EQ(v.all[20]->DeviceIndex, 3);
  EXPECT_TRUE(v.all[20]->SpeedButton_Save->isEnabled());
  EXPECT_EQ(v.all[39]->Label_Index->text(), QStringLiteral("Index: 144"));
  EXPECT_TRUE(v.all[0]->Label_ROMCode->text().isEmpty());  // LINE 1 untouched

  // The same search's next read has nothing in record 0: the slot keeps its result.
  Block empty{};
  pellix::ShowSearchResults(v.all, empty, 1200);
  EXPECT_EQ(v.all[20]->Label_ROMCode->text(), QStringLiteral("2800000000000001"));
  EXPECT_TRUE(v.all[20]->SpeedButton_Save->isEnabled());

  // Only a new search empties it.
  v.line2->ShowServiceBlock(block, 1);
  v.line2->ClearSearch();
  EXPECT_TRUE(v.all[20]->Label_ROMCode->text().isEmpty());
  EXPECT_TRUE(v.all[20]->Label_Index->text().isEmpty());
  EXPECT_FALSE(v.all[20]->SpeedButton_Save->isEnabled());
  EXPECT_TRUE(v.line2->Label_Status->text().isEmpty());
  EXPECT_TRUE(v.line2->Label_NewROMCode->text().isEmpty());
}

TEST(SensorNewBox, RecordForAnotherSlotIsIgnoredAndOtherBlocksAreNotResults) {
  TwoViews v;
  v.all[4]->UpdateSlot({6, {1, 2, 3, 4}, 9});
  EXPECT_TRUE(v.all[4]->Label_ROMCode->text().isEmpty());
  v.all[4]->UpdateSlot({5, {1, 2, 3, 4}, 9});
  EXPECT_EQ(v.all[4]->Label_ROMCode->text(), QStringLiteral("0001000200030004"));
  EXPECT_TRUE(pellix::SearchResultsFromBlock(Block{}, 1000).empty());
  const auto line1 = pellix::SearchResultsFromBlock(Block{}, 1100);
  ASSERT_EQ(line1.size(), 20u);
  EXPECT_EQ(line1.front().SlotIndex, 1);
  EXPECT_EQ(line1.back().SlotIndex, 20);
}

// The target prompt of a search result, in both numbering variants.
struct TargetCase {
  int line;
  bool fromOne;
  const char* answer;
  int expected;  // channel index, or -1 when refused
};

class TargetChannel : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetChannel, PromptAndAnswer) {
  const TargetCase c = GetParam();
  auto& p = scriptedPrompts();
  p.expect(PromptKind::InputQuery, true, QString::fromLatin1(c.answer));
  if (c.expected < 0) p.expect(PromptKind::Error);
  const std::optional<int> nn = pellix::AskTargetChannel(17, c.line, c.fromOne);
  const int low = c.line * 20 + (c.fromOne ? 1 : 0);
  const int high = low + 19;
  ASSERT_GE(p.records().size(), 1u);
  EXPECT_EQ(p.records()[0].caption, QStringLiteral("Save device with index: 17"));
  EXPECT_EQ(p.records()[0].text,
            QStringLiteral("Enter target position (channel number %1-%2): ").arg(low).arg(high));
  EXPECT_TRUE(p.records()[0].value.isEmpty());
  if (c.expected < 0) {
    EXPECT_FALSE(nn.has_value());
    ASSERT_EQ(p.records().size(), 2u);
    EXPECT_EQ(p.records()[1].text,
              QStringLiteral("Incorrect input. Enter a channel number %1 to %2.").arg(low).arg(high));
  } else {
    ASSERT_TRUE(nn.has_value());
    EXPECT_EQ(*nn, c.expected);
    EXPECT_EQ(p.records().size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(FindNew, TargetChannel,
                         ::testing::Values(TargetCase{0, false, " 7 ", 7}, TargetCase{0, false, "0", 0},
                                           TargetCase{0, false, "19", 19}, TargetCase{0, false, "20", -1},
                                           TargetCase{0, false, "-1", -1}, TargetCase{0, false, "seven", -1},
                                           TargetCase{0, false, "", -1}, TargetCase{0, false, "7x", -1},
                                           TargetCase{1, false, "20", 20}, TargetCase{1, false, "39", 39},
                                           TargetCase{1, false, "19", -1}, TargetCase{1, false, "40", -1},
                                           TargetCase{0, true, "1", 0}, TargetCase{0, true, "20", 19},
                                           TargetCase{0, true, "0", -1}, TargetCase{0, true, "21", -1},
                                           TargetCase{1, true, "21", 20}, TargetCase{1, true, "40", 39},
                                           TargetCase{1, true, "20", -1}, TargetCase{1, true, "41", -1}),
                         [](const ::testing::TestParamInfo<TargetCase>& info) {
                           std::string answer;
                           for (const char* c = info.param.answer; *c; ++c)
                             answer +=
                                 std::isalnum(static_cast<unsigned char>(*c)) ? *c : (*c == '-' ? 'm' : '_');
                           return std::string(info.param.fromOne ? "FromOne" : "FromZero") + "_Line" +
                                  std::to_string(info.param.line + 1) + "_" + answer + "_" +
                                  std::to_string(info.index);
                         });

TEST(FindNewTarget, CancelAsksNothingMore) {
  scriptedPrompts().expect(PromptKind::InputQuery, false, QStringLiteral("5"));
  EXPECT_FALSE(pellix::AskTargetChannel(1, 0, false).has_value());
  EXPECT_EQ(scriptedPrompts().records().size(), 1u);
}
