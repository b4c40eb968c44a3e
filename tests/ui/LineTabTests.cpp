#include "Hint.h"
#include "TestSupport.h"
#include "uFrame_LineTab.h"
#include "uFrame_SensorBox.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QWidget>

#include <memory>

namespace {

const QColor HotLight(0, 102, 204);
const QColor FaultRed(210, 0, 0);

TChannelData Good(int channel) {
  TChannelData r;
  r.ChannelNumber = static_cast<uint8_t>(channel);
  r.RomCode = {0x28AA, 0x0000, 0x0000, static_cast<uint16_t>(channel)};
  r.Values = {200, 0, 0, 0, 0};
  r.Status = 0;
  return r;
}

// Two views as the main window builds them: LINE 1 first.
class LineTabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TFrame_SensorBox::ResetCreationCounter();
    TFrame_LineTab::ResetCreationCounter();
    line1 = new TFrame_LineTab(&parent);
    line2 = new TFrame_LineTab(&parent);
  }
  QWidget parent;
  TFrame_LineTab* line1 = nullptr;
  TFrame_LineTab* line2 = nullptr;
};

TEST_F(LineTabTest, BoxesFoundByNameInOrderAndNumberedPerLine) {
  ASSERT_EQ(line1->Boxes.size(), 20);
  ASSERT_EQ(line2->Boxes.size(), 20);
  for (int k = 1; k <= 20; ++k) {
    EXPECT_EQ(line1->Boxes[k - 1]->objectName(), QString("Frame_SensorBox%1").arg(k));
    EXPECT_EQ(line1->Boxes[k - 1]->ChannelNumber, k);
    EXPECT_EQ(line2->Boxes[k - 1]->ChannelNumber, 20 + k);
  }
  EXPECT_EQ(line2->Boxes[0]->Label_Channel->text(), "Ch20");
  QList<TFrame_SensorBox*> all;
  line1->AppendBoxes(all);
  line2->AppendBoxes(all);
  ASSERT_EQ(all.size(), 40);
  for (int c = 1; c <= 40; ++c) EXPECT_EQ(all[c - 1]->ChannelNumber, c);
}

TEST_F(LineTabTest, TwoColumnsOfTen) {
  parent.resize(480, 650);
  parent.show();
  line1->setGeometry(0, 0, 475, 650);
  line1->show();
  QApplication::processEvents();
  const QRect b1 = line1->Boxes[0]->geometry();
  const QRect b10 = line1->Boxes[9]->geometry();
  const QRect b11 = line1->Boxes[10]->geometry();
  EXPECT_EQ(b1.left(), b10.left());
  EXPECT_GT(b10.top(), b1.top());
  EXPECT_EQ(b11.top(), b1.top());
  EXPECT_GT(b11.left(), b1.right());
  // Legible at the main window's size.
  EXPECT_GE(b1.width(), 200);
  EXPECT_GE(b1.height(), 50);
  EXPECT_LE(line1->Boxes[19]->geometry().bottom(), 650);
}

TEST_F(LineTabTest, StartsWithPlainCaptionOnHotLight) {
  EXPECT_EQ(line1->LineNumber, 1);
  EXPECT_EQ(line2->LineName, "LINE 2");
  EXPECT_EQ(line1->Label_Caption->text(), "LINE 1");
  EXPECT_EQ(line1->BackgroundColour(), HotLight);
  EXPECT_EQ(line1->Label_Caption->palette().color(QPalette::WindowText), QColor(Qt::white));
  EXPECT_TRUE(line1->Label_Caption->font().bold());
  EXPECT_EQ(line1->SpeedButton_AddNew->text(), "Add New");
  EXPECT_EQ(pellix::HintOf(line1->SpeedButton_AddNew),
            "Add a new device|Opens a window that allows you to find and assign devices.");
}

struct LineStateRow {
  int state;
  const char* caption;
  bool fault;
};

void PrintTo(const LineStateRow& row, std::ostream* os) { *os << "state " << row.state; }

class LineTabState : public LineTabTest, public ::testing::WithParamInterface<LineStateRow> {};

TEST_P(LineTabState, CaptionAndBackground) {
  const LineStateRow& row = GetParam();
  line2->ShowLineState(row.state);
  EXPECT_EQ(line2->Label_Caption->text(), row.caption);
  EXPECT_EQ(line2->BackgroundColour(), row.fault ? FaultRed : HotLight);
}

INSTANTIATE_TEST_SUITE_P(States, LineTabState,
                         ::testing::Values(LineStateRow{0, "LINE 2 - OK", false},
                                           LineStateRow{1, "LINE 2 - Line in high", true},
                                           LineStateRow{2, "LINE 2 - Short circuit", true},
                                           LineStateRow{3, "LINE 2 - OK", false},
                                           LineStateRow{255, "LINE 2 - OK", false}));

TEST_F(LineTabTest, ViewIsPaintedInTheLineStateColour) {
  line1->resize(475, 650);
  EXPECT_EQ(line1->grab().toImage().pixelColor(1, 1), HotLight);
  line1->ShowLineState(1);
  EXPECT_EQ(line1->grab().toImage().pixelColor(1, 1), FaultRed);
}

TEST_F(LineTabTest, LineFaultLeavesBoxColoursAlone) {
  line1->Boxes[3]->UpdateFromRecord(Good(4));
  line1->ShowLineState(2);
  EXPECT_EQ(line1->Boxes[3]->BackgroundColour(), QColor(215, 255, 215));
  EXPECT_EQ(line1->Boxes[4]->BackgroundColour(), QColor(255, 255, 255));
}

TEST_F(LineTabTest, ResetLineClearsCaptionColourAndBoxes) {
  line1->Boxes[2]->UpdateFromRecord(Good(3));
  line1->ShowLineState(1);
  line1->ResetLine();
  EXPECT_EQ(line1->Label_Caption->text(), "LINE 1");
  EXPECT_EQ(line1->BackgroundColour(), HotLight);
  EXPECT_EQ(line1->Boxes[2]->Label_ROMCode->text(), "");
  EXPECT_EQ(line1->Boxes[2]->RomCodeText(), "0000000000000000");
}

TEST_F(LineTabTest, AddNewModeSwapsSwitchForSaveNew) {
  for (auto* b : line1->Boxes) {
    EXPECT_TRUE(b->SpeedButton_Edit->isHidden());
    EXPECT_FALSE(b->SpeedButton_DescrSwitch->isHidden());
  }
  line1->SpeedButton_AddNewClick();
  EXPECT_FALSE(line1->SpeedButton_AddNew->isEnabled());
  for (auto* b : line1->Boxes) {
    EXPECT_FALSE(b->SpeedButton_Edit->isHidden());
    EXPECT_TRUE(b->SpeedButton_DescrSwitch->isHidden());
    EXPECT_FALSE(b->SpeedButton_Delete->isHidden());
  }
  // The other line is not affected.
  EXPECT_TRUE(line2->Boxes[0]->SpeedButton_Edit->isHidden());
  line1->SetAddNewMode(false);
  EXPECT_TRUE(line1->Boxes[19]->SpeedButton_Edit->isHidden());
}

TEST_F(LineTabTest, EverySwitchTogglesItsBoxExactlyOnce) {
  for (auto* b : line1->Boxes) {
    b->SpeedButton_DescrSwitch->click();
    EXPECT_TRUE(b->ShowDescription) << b->objectName().toStdString();
  }
  line1->Boxes[0]->SpeedButton_DescrSwitch->click();
  EXPECT_FALSE(line1->Boxes[0]->ShowDescription);
}

TEST_F(LineTabTest, ShowAndClearDescriptions) {
  line2->Boxes[5]->SetDescription("Pump");
  line2->ShowDescriptions(true);
  for (auto* b : line2->Boxes) EXPECT_TRUE(b->ShowDescription);
  EXPECT_FALSE(line1->Boxes[0]->ShowDescription);
  EXPECT_EQ(line2->Boxes[5]->Label_ROMCode->text(), "Pump");
  line2->ClearDescriptions();
  EXPECT_EQ(line2->Boxes[5]->Description, "");
  EXPECT_EQ(line2->Boxes[5]->Label_ROMCode->text(), "");
}

TEST_F(LineTabTest, ExportDescriptionsAppendsTwentyRecords) {
  line2->Boxes[0]->UpdateFromRecord(Good(21));
  line2->Boxes[0]->SetDescription("North wall");
  TDynamicBackupArray records(1);
  line2->ExportDescriptions(records);
  ASSERT_EQ(records.size(), 21u);
  EXPECT_EQ(records[1].DisplayedNumber, 20);
  EXPECT_EQ(records[1].NumberText, "20");
  EXPECT_EQ(records[1].RomCode, "28AA000000000015");
  EXPECT_EQ(records[1].Description, "North wall");
  EXPECT_EQ(records[20].NumberText, "39");
  EXPECT_EQ(records[20].RomCode, "0000000000000000");
}

TEST_F(LineTabTest, ApplyDescriptionsOnlyWhereDisplayedNumberMatches) {
  TDynamicBackupArray records;
  line1->ExportDescriptions(records);
  for (auto& r : records) r.Description = "from file " + r.NumberText;
  records[4].DisplayedNumber = 30;  // names another line's channel
  line1->Boxes[4]->SetDescription("kept");
  records[7].Description = QString(40, QChar('d'));
  line1->ApplyDescriptions(records);
  EXPECT_EQ(line1->Boxes[0]->Description, "from file 0");
  EXPECT_EQ(line1->Boxes[4]->Description, "kept");
  EXPECT_EQ(line1->Boxes[7]->Description, QString(30, QChar('d')));
  EXPECT_EQ(line1->Boxes[19]->Description, "from file 19");
}

TEST_F(LineTabTest, ApplyDescriptionsWithShortArrayTouchesOnlyNamedBoxes) {
  line1->Boxes[10]->SetDescription("stays");
  TDynamicBackupArray records;
  line1->ExportDescriptions(records);
  records.resize(3);
  for (auto& r : records) r.Description = "x";
  line1->ApplyDescriptions(records);
  EXPECT_EQ(line1->Boxes[2]->Description, "x");
  EXPECT_EQ(line1->Boxes[10]->Description, "stays");
}

TEST_F(LineTabTest, CollectRecordsAppendsLastRecordsInBoxOrder) {
  line2->Boxes[19]->UpdateFromRecord(Good(40));
  TDynamicLogArray records;
  line1->CollectRecords(records);
  line2->CollectRecords(records);
  ASSERT_EQ(records.size(), 40u);
  EXPECT_EQ(records[0].ChannelNumber, 0);  // never received: an all-zero record
  EXPECT_EQ(records[39].ChannelNumber, 40);
  EXPECT_EQ(records[39].RomCode[3], 40);
}

}  // namespace
